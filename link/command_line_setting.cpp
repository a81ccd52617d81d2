// `ambcomm set` and `ambcomm clear`. Every argument is checked before anything is sent: a
// value the editor could not hold is refused with a message and the recorder is not touched.
#include "link/command_line_setting.h"

#include <charconv>
#include <filesystem>

#include "common/cp932.h"
#include "common/numbers.h"
#include "link/condition_display.h"
#include "link/condition_fields.h"
#include "link/condition_request.h"
#include "link/condition_setting.h"
#include "link/link_settings.h"
#include "link/memory_clear.h"

namespace ambcomm {

namespace {

constexpr int kUsageExit = 2;
// The input boxes of the amounts take at most this many characters.
constexpr std::size_t kInputBoxLimit = 64;

struct Assignment {
  std::string field;
  std::string value;  // UTF-8 as given
};

bool is_number(const std::string& s) {
  if (s.empty()) return false;
  double d = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), d, std::chars_format::fixed);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && d >= 0;
}

bool is_whole(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// The edit box of a field, or nullptr.
const EditField* edit_field(const std::string& name) {
  for (const auto& f : edit_fields())
    if (f.field == name) return &f;
  return nullptr;
}

// Checks one assignment that needs no knowledge of the recorder; empty when it is fine.
std::string check(const Assignment& a) {
  if (const EditField* f = edit_field(a.field)) {
    const std::string bytes = common::utf8_to_cp932(a.value);
    if (bytes.size() > static_cast<std::size_t>(f->width))
      return a.field + "=" + a.value + ": longer than the editor's field of " + std::to_string(f->width) +
             " characters";
    if (f->field != "comment" && !is_number(a.value)) return a.field + "=" + a.value + ": not a number";
    return {};
  }
  if (a.field == "acc_count" || a.field == "rr_count" || a.field == "ecg_blocks") {
    if (a.value.size() > kInputBoxLimit || !is_whole(a.value)) return a.field + "=" + a.value + ": not a whole number";
    if (a.field == "ecg_blocks" && a.value.size() > 1) return "ecg_blocks=" + a.value + ": one digit 0-4";
    return {};
  }
  if (a.field == "mode") return a.value.size() == 1 ? std::string() : "mode=" + a.value + ": one mode code";
  if (a.field == "display") {
    for (const auto& r : display_rows())
      if (!r.code.empty() && r.code == a.value) return {};
    return "display=" + a.value + ": one of 0, 7, 1, 2, 3";
  }
  if (a.field == "switch_start" || a.field == "now")
    return a.value == "0" || a.value == "1" ? std::string() : a.field + "=" + a.value + ": 0 or 1";
  return "unknown field: " + a.field;
}

void print_list(CommandContext& ctx) {
  for (const auto& line : condition_list_lines(ctx.link.state.conditions)) std::fprintf(ctx.out, "%s\n", line.c_str());
}

// Requests the conditions; prints the failure and answers false when there are none.
bool request(CommandContext& ctx, int& status) {
  STS_REQ(ctx.link, nullptr, status, "1");
  ctx.link.state.status = status;
  if (status == kStatusOk) return true;
  print_link_failure(ctx, status);
  return false;
}

}  // namespace

namespace {

// The arguments as assignments, each checked; false (with the message printed) at the first
// that is not one or is refused.
bool parse_assignments(CommandContext& ctx, const std::vector<std::string>& args, std::vector<Assignment>& out) {
  for (const auto& arg : args) {
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::fprintf(ctx.err, "ambcomm: set takes FIELD=VALUE arguments, not \"%s\"\n", arg.c_str());
      return false;
    }
    Assignment a{arg.substr(0, eq), arg.substr(eq + 1)};
    if (std::string why = check(a); !why.empty()) {
      std::fprintf(ctx.err, "ambcomm: %s; nothing was sent\n", why.c_str());
      return false;
    }
    out.push_back(std::move(a));
  }
  if (out.empty()) {
    std::fprintf(ctx.err, "ambcomm: set needs at least one FIELD=VALUE\n");
    return false;
  }
  return true;
}

// The mode list depends on the model, known only after the request: a mode it does not
// offer is refused (printed) before anything is changed.
bool modes_offered(CommandContext& ctx, const std::vector<Assignment>& assignments) {
  const std::string& model = ctx.link.state.conditions.model_code;
  for (const auto& a : assignments) {
    if (a.field != "mode") continue;
    bool offered = false;
    for (const auto& r : mode_rows(model)) offered = offered || r.code == a.value;
    if (!offered) {
      std::fprintf(ctx.err, "ambcomm: mode=%s is not offered for model %s; nothing was sent\n", a.value.c_str(),
                   model.c_str());
      return false;
    }
  }
  return true;
}

// The assignments into the record (now=1 first, so that fields given with it win).
void apply_assignments(CommandContext& ctx, const std::vector<Assignment>& assignments) {
  LinkState& state = ctx.link.state;
  common::ConditionsRecord& rec = state.conditions;
  for (const auto& a : assignments)
    if (a.field == "now" && a.value == "1") initialise_start_and_amounts(rec, ctx.link.clock);
  for (const auto& a : assignments) {
    if (const EditField* f = edit_field(a.field)) *rec.slot(f->slot) = cut_field(a.value, f->width);
    else if (a.field == "acc_count") rec.acc_count = a.value;
    else if (a.field == "rr_count") rec.rr_count = a.value;
    else if (a.field == "ecg_blocks") rec.ecg_blocks = a.value;
    else if (a.field == "mode") rec.mode = a.value;
    else if (a.field == "display") rec.display = a.value;
    else if (a.field == "switch_start") state.switch_start = a.value == "1" ? 1 : 0;
  }
}

}  // namespace

int run_set(CommandContext& ctx, const std::vector<std::string>& args) {
  std::vector<Assignment> assignments;
  if (!parse_assignments(ctx, args, assignments)) return kUsageExit;
  // The calorie fields of the old-layout recorder come from the link program's settings.
  if (auto settings = read_link_settings(kSettingsFileName)) ctx.link.state.settings = std::move(*settings);

  int status = 0;
  if (!request(ctx, status)) return exit_status_for(status);
  if (!modes_offered(ctx, assignments)) return kUsageExit;
  apply_assignments(ctx, assignments);

  status = setting_step(ctx.link, nullptr, nullptr);
  if (status <= kStatusShort) print_list(ctx);
  if (status != kStatusOk) {
    std::fprintf(ctx.err, "ambcomm: re-read after the setting: %s\n",
                 status_message(status, kLocationConditionRequest).c_str());
    return exit_status_for(status);
  }
  std::fprintf(ctx.out, "%s\n", status_message(status, kLocationConditionRequest).c_str());
  return 0;
}

int run_clear(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0] != "--yes") {
    std::fprintf(ctx.err, "ambcomm: clear erases the recorder's data; confirm with: clear --yes\n");
    return kUsageExit;
  }
  int status = 0;
  if (!request(ctx, status)) return exit_status_for(status);
  const std::string& model = ctx.link.state.conditions.model_code;
  if (model != "La" && model != "LA" && model != "Aa") {
    std::fprintf(ctx.err, "ambcomm: the memory clear is offered for models La, LA and Aa only (this is %s)\n",
                 model.c_str());
    return kUsageExit;
  }
  switch (memory_clear(ctx.link, nullptr, nullptr)) {
    case ClearResult::Done:
      std::fprintf(ctx.out, "%s\n", kClearDoneText);
      return 0;
    case ClearResult::NoAnswer:
      std::fprintf(ctx.err, "ambcomm: %s\n", kClearNoAnswerText);
      return kStatusNothing;
    case ClearResult::PortFailed:
      std::fprintf(ctx.err, "ambcomm: the port %s could not be opened for the memory clear\n",
                   ctx.link.port.name().c_str());
      return kStatusOpenFailed;
    default:
      std::fprintf(ctx.err, "ambcomm: %s\n", kClearCancelledText);
      return kStatusNothing;
  }
}

}  // namespace ambcomm
