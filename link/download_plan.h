// The download plan: which files a recorder's model and mode give, and for each its name,
// header kind, heading, request code, block size and count. The channel plan is one table
// in download_plan.cpp; nothing here talks to the recorder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/conditions_record.h"

namespace ambcomm {

// One file of the download, as the plan makes it from the conditions record.
struct PlannedFile {
  std::string row;            // plan row: "A", "1".."15", "6'", "7'", "8'"
  std::string path;           // file to write
  std::string display;        // progress-line file name (name part, UTF-8 as on disk)
  std::string kind;           // header kind (characters 1-2 of record 1)
  std::string heading;        // heading every block must carry
  std::string prefix;         // record prefix of text records
  std::string code;           // two-character request code
  std::string first_request;  // code + start address [+ "," + count]
  int items = 0;              // items per block
  int item_size = 0;          // text characters (or bytes) an item takes
  std::int64_t count = 0;     // items to download
  bool wide_address = false;  // retry addresses in 8 hex digits
  bool words = false;         // byte-word records (two blocks a record)
  std::string progress_line;  // the file's line in the progress window (UTF-8)
};

// The plan for a chosen path without extension (cut at the first "." of the name). Rows whose
// condition holds are listed even when their count is 0 (they only print their line).
std::vector<PlannedFile> plan_download(const common::ConditionsRecord& rec, std::string_view path);

// The files a plan writes (an RR file's heart-rate and index companions included), in order.
std::vector<std::string> planned_paths(const std::vector<PlannedFile>& plan);

// GET_END_SIZ: for `count` items, `items` per block and `item_size`: the number of blocks,
// the items of the last block and the expected text length of the last block.
struct BlockSizes {
  std::int64_t blocks = 0;
  int last_items = 0;
  int last_length = 0;
};
BlockSizes GET_END_SIZ(std::int64_t count, int items, int item_size);

// The amount a plan moves, for the progress bar: the text length of every block it asks for
// (a block's item size x items + 3), which follows the time the blocks take on the line
// better than their number does (a tilt block carries three times an acceleration block).
std::int64_t planned_amount(const std::vector<PlannedFile>& plan);

// The heading-to-prefix rule of text records ("AX" -> "X0", "A1" -> "#1"; others unchanged).
std::string prefix_for(std::string_view heading);

// Models whose blocks come in the byte frame (B_DATA_REQ); the others use the text frame.
bool byte_frame_model(std::string_view model);

// A count field of the conditions record as a whole number (0 when not positive).
std::int64_t slot_count(const std::string& text);

}  // namespace ambcomm
