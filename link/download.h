// The data download (REC_DATA): the overwrite check, the transfer speed, the plan run file by
// file with the progress window, and how it ended. The plan is download_plan, one file's
// blocks download_file, the byte-word records rr_download.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/progress_window.h"
#include "link/serial_link.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/platform.h"

namespace ambcomm {

enum class Overwrite {
  Ask,     // the overwrite question, once before anything is fetched (No: nothing is downloaded)
  Yes,     // overwrite silently (the command line's --yes)
  Refuse,  // an existing file ends the download before anything is fetched
};

struct DownloadOptions {
  Overwrite overwrite = Overwrite::Ask;
  // A failing block is requested again at most this many times; then the download stops.
  int max_retries = 20;
  // Back to 9600 after a four-times transfer (the window program's main loop does it itself).
  bool restore_speed = true;
  // Progress lines as they change, and the whole download's amounts with the time left
  // (UTF-8, empty while unknown): the command line's terminal output.
  std::function<void(std::size_t index, const std::string& utf8)> on_progress;
  std::function<void(const WholeProgress&)> on_total;
};

enum class DownloadEnd {
  Complete,     // the whole plan ran
  Declined,     // the user answered No to the overwrite question: nothing was fetched
  Refused,      // an existing file and Overwrite::Refuse: nothing was fetched
  Closed,       // the user closed the progress window
  BlockFailed,  // a block failed more often than the retry bound
  PortLost,     // the serial device vanished
  FileError,    // a recording file could not be opened or written
  NoWindow,     // the progress window did not open
};

// A file the download placed under its recording name. Each file is written under a
// temporary name beside it and renamed into place: whole, or (when the download stopped
// in it) holding the records that came, its header counting only those.
struct DownloadedFile {
  std::string path;
  std::int64_t expected = 0;  // items planned (heart-rate values for the RR companions)
  std::int64_t received = 0;  // items the file holds
  bool whole = true;          // false: the download stopped in this file
};

struct DownloadResult {
  DownloadEnd end = DownloadEnd::Complete;
  int status = 0;              // link status of the failing block (BlockFailed, PortLost)
  std::string failed_path;     // the file that was being written when it stopped
  int error = 0;               // errno of a FileError, when known
  std::vector<DownloadedFile> files;
  // Planned files that were not placed (the download stopped before them, or in them before
  // any record came). An older file of the same name, if any, is still there.
  std::vector<std::string> not_downloaded;
  // The progress window with its final lines, left open for the caller to keep on screen
  // (the user closes it); null without a window.
  std::shared_ptr<ui::Form> window;
  bool complete() const { return end == DownloadEnd::Complete; }
  // Nothing at all was placed.
  bool nothing_written() const { return files.empty(); }
};

// Plain text of how a download ended (UTF-8), for the progress window and the command line.
std::string end_text(const DownloadResult& result);

// One line per file (UTF-8): "完了", "途中まで" with its counts, or "未受信", and the path.
// For the main form's message and the progress window.
std::vector<std::string> file_report_lines(const DownloadResult& result);

// REC_DATA: runs the whole plan for the current conditions (link.state) into files named from
// `path` (the chosen path without its extension). `forms` null: no window; `dialogs` null:
// the overwrite question follows options.overwrite without asking (Ask counts as Refuse).
// Existing files of the plan are looked at before anything is fetched.
// Switches to four-times speed when the recorder offers it and restores 9600 at the end.
DownloadResult REC_DATA(Link& link, ui::FormFactory* forms, ui::Dialogs* dialogs, std::string_view path,
                        const DownloadOptions& options = {});

// The main form's download step (its LinkHooks::download): REC_DATA with the window and the
// overwrite question for the chosen `name` (its extension is cut here); the main loop restores
// the speed. The progress window stays on screen in link.state.progress_window; how the
// download ended goes to the status line, and a download that stopped early is told in a
// message box naming the complete, partial and missing files.
void download_to_files(Link& link, ui::Platform& platform, const std::string& name);

}  // namespace ambcomm
