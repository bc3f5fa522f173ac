# The stb single-file headers (Debian: libstb-dev), a peer of the tests and
# benchmarks. Defines stb_FOUND and the header-only target stb::stb.
find_path(stb_INCLUDE_DIR NAMES stb/stb_image.h)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(stb REQUIRED_VARS stb_INCLUDE_DIR)
if(stb_FOUND AND NOT TARGET stb::stb)
  add_library(stb::stb INTERFACE IMPORTED)
  set_target_properties(stb::stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${stb_INCLUDE_DIR}")
endif()
mark_as_advanced(stb_INCLUDE_DIR)
