// The live waveform display of a recorder that streams instead of answering (PW-4): its frames
// read off the line and drawn as a running trace until the user closes the window.
#pragma once

#include "link/serial_link.h"
#include "ui/form.h"

namespace ambcomm {

// PW_WAVE: the live waveform display in FORM3 ("PW-4 波形表示") for a recorder that streams;
// runs until the user closes the window, then closes the port.
void PW_WAVE(Link& link, ui::FormFactory& forms);

// Waveform frame value: (low AND 63) + 64 x (high AND 63); its plot height.
int wave_value(unsigned char low, unsigned char high);
int wave_y(int value);

}  // namespace ambcomm
