// The data download: the channel plan of every model and mode, the per-file block loop with
// its requests, checks, retries and records, the progress window FORM3 and the transfer speed.
// The byte-word channels (RR, ECG, waveforms) share the loop; their records are in rr_download.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/conditions_record.h"
#include "link/serial_link.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/platform.h"

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

// The path as the main loop hands it on: the extension (from the first "." of the name part)
// removed; "/" and "\" both separate folders.
std::string strip_extension(std::string_view path);

// GET_END_SIZ: for `count` items, `items` per block and `item_size`: the number of blocks,
// the items of the last block and the expected text length of the last block.
struct BlockSizes {
  std::int64_t blocks = 0;
  int last_items = 0;
  int last_length = 0;
};
BlockSizes GET_END_SIZ(std::int64_t count, int items, int item_size);

// The heading-to-prefix rule of text records ("AX" -> "X0", "A1" -> "#1"; others unchanged).
std::string prefix_for(std::string_view heading);

// The heart-rate block rewrite (heading "#5"): packed pairs into two 4-digit values each.
std::string rewrite_heart_rate_block(std::string_view block, int items);

// The progress window FORM3 ("受信表示"): one line per file, counts written in place. Without
// a form factory (the command line) the lines are only kept and passed to `on_change`.
class ProgressWindow {
 public:
  static constexpr int kCountColumn = 27;   // running count, right-aligned in 8
  static constexpr int kCountWidth = 8;
  static constexpr int kStatusColumn = 45;  // " : STATUS=" + reason

  // Opens FORM3 with `title` (UTF-8) when `forms` is given.
  ProgressWindow(ui::FormFactory* forms, ui::EventPump& pump, std::string_view title);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Processes pending events and answers whether the window is still open (always true
  // without a window, until close()).
  bool still_open();
  bool is_open() const;
  void close();

  void add_line(std::string_view utf8);
  void set_count(std::int64_t count);            // on the last line
  void set_status(std::string_view reason_utf8); // on the last line
  const std::vector<std::string>& lines() const { return lines_; }  // UTF-8
  std::string title() const { return title_; }
  // Hands the window over (it stays as it is); the object then only keeps its lines.
  std::shared_ptr<ui::Form> release();

  // Called with the index and text of every line added or changed.
  std::function<void(std::size_t index, const std::string& utf8)> on_change;

 private:
  void show_line(std::size_t index);

  ui::EventPump& pump_;
  std::shared_ptr<ui::Form> form_;
  std::vector<std::string> lines_;  // UTF-8
  std::string title_;
  bool closed_ = false;
};

// Window titles by transfer speed.
inline constexpr std::string_view kTitleFourTimes = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (×４高速)";
inline constexpr std::string_view kTitleFast = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (高速)";
inline constexpr std::string_view kTitlePlain = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ";
inline constexpr std::string_view kFinishedLine = "          データーの取り込みを終了しました";

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
  // Progress lines as they change (the command line's terminal output).
  std::function<void(std::size_t index, const std::string& utf8)> on_progress;
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

// The record 1 of a file the download stopped in, counting what the file holds: the sample
// count (old layout 13-16; current layout 11-14, "FFFF" and 113-120 from 65535 on, 113-120
// always) set to `count`.
std::string with_sample_count(std::string header, std::int64_t count);

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
