// Feature detection, once at load, and the ZD_DISABLE_CPU_FEATURES override.
#include "cpu/cpu.hpp"

#include <cstdlib>

namespace zd::cpu {

namespace {

std::uint32_t detectFeatures() {
#ifdef ZD_CPU_X86
  __builtin_cpu_init();
  std::uint32_t features = 0;
  if (__builtin_cpu_supports("avx2")) features |= kAvx2;
  if (__builtin_cpu_supports("fma")) features |= kFma;
  if (__builtin_cpu_supports("bmi")) features |= kBmi1;
  if (__builtin_cpu_supports("bmi2")) features |= kBmi2;
  if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1")) features |= kPclmul;
  return features;
#else
  return 0;
#endif
}

std::uint32_t disabledByEnvironment() {
  const char *list = std::getenv("ZD_DISABLE_CPU_FEATURES");
  return list == nullptr ? 0 : parseFeatureList(list);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view given, std::string_view name) {
  if (given.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (lower(given[i]) != name[i]) return false;
  }
  return true;
}

std::uint32_t featureNamed(std::string_view name) {
  if (sameName(name, "all")) return kAllFeatures;
  if (sameName(name, "avx2")) return kAvx2;
  if (sameName(name, "fma")) return kFma;
  if (sameName(name, "bmi") || sameName(name, "bmi1")) return kBmi1;
  if (sameName(name, "bmi2")) return kBmi2;
  if (sameName(name, "pclmul")) return kPclmul;
  return 0;
}

const std::uint32_t kDetected = detectFeatures();
const std::uint32_t kDisabledByEnvironment = disabledByEnvironment();

}  // namespace

std::atomic<std::uint32_t> detail::usable{kDetected & ~kDisabledByEnvironment};

std::uint32_t detected() { return kDetected; }

std::uint32_t parseFeatureList(std::string_view list) {
  std::uint32_t features = 0;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
    features |= featureNamed(name);
  }
  return features;
}

void disableForTesting(std::uint32_t features) {
  detail::usable.store(kDetected & ~(kDisabledByEnvironment | features), std::memory_order_relaxed);
}

}  // namespace zd::cpu
