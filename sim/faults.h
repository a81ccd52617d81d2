// Fault injection for the simulated recorder: which answers go wrong, and how, drawn from a
// seeded generator so that a failing run can be repeated exactly.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace ambsim {

struct FaultRates {
  double checksum = 0;      // a block's checksum (byte frame) or length (text frame) is wrong
  double heading = 0;       // a block comes with a wrong heading
  double drop = 0;          // an answer is not sent at all
  double lose = 0;          // one byte in the middle of an answer is lost on the line
  double stall = 0;         // an answer stops halfway for longer than the link waits
  int disconnect = 0;       // after this many answers the recorder vanishes (0: never)
  bool silent = false;      // the recorder never answers
  bool short_answer = false;  // the conditions line comes cut to 10 characters
};

// Parses "checksum=0.05,heading=0.02,drop=0.01,lose=0.02,stall=0.01,disconnect=40,silent,short".
// Rates are 0..1. False with a message on anything else.
bool parse_faults(std::string_view list, FaultRates& out, std::string& error);

class FaultInjector {
 public:
  FaultInjector() = default;
  FaultInjector(const FaultRates& rates, std::uint32_t seed) : rates_(rates), rng_(seed) {}

  const FaultRates& rates() const { return rates_; }
  // True with probability `rate`.
  bool hit(double rate);
  // Counts one answer; true once the answers reach the disconnect count.
  bool count_answer();

 private:
  FaultRates rates_;
  std::mt19937 rng_{1};
  int answers_ = 0;
};

}  // namespace ambsim
