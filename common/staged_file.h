// A file written under a temporary name in the folder of its final name and renamed into place
// only when whole: a failed, stopped or crashed write never leaves a file that looks finished,
// and an older file of the same name stays until the new one replaces it. Every file the
// programs write goes through here.
#pragma once

#include <cstddef>
#include <string>

namespace common {

class StagedFile {
 public:
  // The temporary name is hidden and carries the process id: ".NAME.PID.part".
  explicit StagedFile(std::string final_path);
  ~StagedFile();  // removes the temporary file unless committed
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  const std::string& path() const { return final_; }
  const std::string& temp_path() const { return temp_; }
  // Removes a left-over temporary file of an earlier run; the writer then creates it.
  void prepare();
  // Renames the temporary file to the final name. False (errno-style code in `error()`) when
  // that fails or the final name is a folder; the temporary file is removed then.
  bool commit();
  // Removes the temporary file.
  void abandon();
  int error() const { return error_; }

 private:
  std::string final_;
  std::string temp_;
  bool committed_ = false;
  int error_ = 0;
};

// Writes `size` bytes as the whole file `path` through a StagedFile, synced before the rename:
// 0 when the file is in place, else the errno (ENOSPC for a full disk). On failure nothing
// new is left under either name and an older file of that name stays.
int write_whole_file(const std::string& path, const void* data, std::size_t size);

}  // namespace common
