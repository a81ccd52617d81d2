// recording_files and the overwrite check (see output_guard.h).
#include "view/recording/output_guard.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/same_file.h"

namespace ambview {

namespace {
namespace fs = std::filesystem;

// Channel codes, the RR index and the ECG blocks: what a per-channel set may hold.
constexpr std::string_view kSetCodes = "0123456abcdiefgh";

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::vector<std::string> recording_files(const ChannelTable& table) {
  std::vector<std::string> files;
  const auto add = [&files](const std::string& p) {
    if (!p.empty() && std::find(files.begin(), files.end(), p) == files.end()) files.push_back(p);
  };
  for (int r = 0; r < table.count; ++r) add(table.rows[static_cast<std::size_t>(r)].path);
  if (table.combined != nullptr || files.empty()) return files;
  // Companions: names like a channel file's with another code (the character before the
  // extension), letter case aside; one look through the folder finds them all.
  const fs::path first(files.front());
  const std::string name = first.filename().string();
  if (name.size() < table.extension.size() + 1) return files;
  const std::size_t code_at = name.size() - table.extension.size() - 1;
  std::error_code ec;
  const fs::path folder = first.parent_path().empty() ? fs::path(".") : first.parent_path();
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string other = entry.path().filename().string();
    if (other.size() != name.size() || kSetCodes.find(lower(other[code_at])) == std::string_view::npos) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i) same = i == code_at || lower(other[i]) == lower(name[i]);
    if (same && entry.is_regular_file(ec)) add((first.parent_path() / other).string());
  }
  return files;
}

std::optional<Overwrite> overwrite_of(const std::vector<std::string>& outputs, const ChannelTable& table) {
  const std::vector<std::string> inputs = recording_files(table);
  for (const std::string& out : outputs) {
    const std::string in = common::input_named_by(out, inputs);
    if (!in.empty()) return Overwrite{out, in};
  }
  return std::nullopt;
}

std::string overwrite_reason(const Overwrite& o) {
  return o.output + " is the recording file " + o.input + ": it is not written over; nothing was written";
}

std::string overwrite_text(const Overwrite& o) {
  return "保存先 " + std::filesystem::path(o.output).filename().string() + " は処理中の記録ファイルです。\r" +
         "上書きできません。別の名前を指定してください。";
}

}  // namespace ambview
