// Fault list parsing and the seeded draws.
#include "sim/faults.h"

#include <charconv>

namespace ambsim {

namespace {

bool parse_rate(std::string_view text, double& out) {
  auto res = std::from_chars(text.data(), text.data() + text.size(), out);
  return res.ec == std::errc() && res.ptr == text.data() + text.size() && out >= 0 && out <= 1;
}

}  // namespace

bool parse_faults(std::string_view list, FaultRates& out, std::string& error) {
  FaultRates rates;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (item.empty()) continue;
    std::size_t eq = item.find('=');
    std::string_view name = item.substr(0, eq);
    std::string_view value = eq == std::string_view::npos ? std::string_view("1") : item.substr(eq + 1);
    double* rate = name == "checksum" ? &rates.checksum
                   : name == "heading" ? &rates.heading
                   : name == "drop"    ? &rates.drop
                   : name == "lose"    ? &rates.lose
                   : name == "stall"   ? &rates.stall
                                       : nullptr;
    if (rate) {
      if (!parse_rate(value, *rate)) {
        error = "fault rate must be a number from 0 to 1: " + std::string(item);
        return false;
      }
    } else if (name == "disconnect") {
      int n = 0;
      auto res = std::from_chars(value.data(), value.data() + value.size(), n);
      if (res.ec != std::errc() || res.ptr != value.data() + value.size() || n < 0) {
        error = "disconnect needs a whole number of answers: " + std::string(item);
        return false;
      }
      rates.disconnect = n;
    } else if (name == "silent" || name == "short") {
      bool on = value == "1";
      if (!on && value != "0") {
        error = std::string(name) + " takes 0 or 1: " + std::string(item);
        return false;
      }
      (name == "silent" ? rates.silent : rates.short_answer) = on;
    } else {
      error = "unknown fault: " + std::string(item) +
              " (known: checksum, heading, drop, lose, stall, disconnect, silent, short)";
      return false;
    }
  }
  out = rates;
  return true;
}

bool FaultInjector::hit(double rate) {
  if (rate <= 0) return false;
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < rate;
}

bool FaultInjector::count_answer() {
  ++answers_;
  return rates_.disconnect > 0 && answers_ >= rates_.disconnect;
}

}  // namespace ambsim
