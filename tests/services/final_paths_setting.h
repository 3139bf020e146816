#pragma once
#include <gtest/gtest.h>

#include <string>

#include "services/final_path.h"

namespace services_test {

// For as long as it lives, the services take final paths as told or not
// (Windows XP, where they cannot be told); tests run once each way, with
// FinalPathsName naming the two.
class FinalPathsSetting {
 public:
  explicit FinalPathsSetting(bool known) { services::SetFinalPathsKnown(known); }
  ~FinalPathsSetting() { services::SetFinalPathsKnown(true); }
  FinalPathsSetting(const FinalPathsSetting&) = delete;
  FinalPathsSetting& operator=(const FinalPathsSetting&) = delete;
};

inline std::string FinalPathsName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "Known" : "Unknown";
}

}  // namespace services_test
