// `ambview export --format edf` (see edf_export_command.h).
#include "view/commands/edf_export_command.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "view/output/edf_export.h"
#include "view/commands/render_command.h"

namespace ambview {

int run_edf_export(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  namespace fs = std::filesystem;
  const ParsedArgs parsed = parse_args(args, {"format", "start", "span", "out"});
  const auto usage = [&](const std::string& why) {
    err << "ambview export: " << why << "\nusage: ambview " << kEdfExportUsage << "\n";
    return kExitUsage;
  };
  if (!parsed.error.empty()) return usage(parsed.error);
  if (parsed.positional.size() != 1) return usage("expects one FILE");
  if (!parsed.has("out")) return usage("--out OUT.edf is required");
  const std::string& out_path = parsed.options.at("out");
  std::error_code ec;
  if (out_path.empty() || out_path.back() == '/' || fs::is_directory(out_path, ec))
    return usage("--out names a folder, not the .edf file: \"" + out_path + "\"");
  const fs::path folder = fs::path(out_path).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) return usage("--out: no directory \"" + folder.string() + "\"");

  LoadedRecording recording;
  if (!load_for_command(parsed.positional[0], recording, err)) return kExitDataError;
  std::string error;
  const std::optional<RenderSetup> setup = render_setup(recording, parsed, error);
  if (!setup) return usage(error);

  const EdfExportJob job =
      make_edf_export_job(setup->conditions, recording.table, recording.info, recording.sample_count, out_path);
  const EdfExportResult r = export_edf(job);
  for (const std::string& note : r.notes) err << "ambview export: " << out_path << ": " << note << "\n";
  if (!r.written) {
    err << "ambview export: " << out_path << ": " << r.message << " (nothing was written)\n";
    return kExitDataError;
  }
  out << out_path << "\n";
  return r.complete ? kExitOk : kExitDataError;
}

}  // namespace ambview
