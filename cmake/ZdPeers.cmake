# zd_find_peer(<Name> <pkg-config module>): a test or benchmark peer found
# through pkg-config. Sets <Name>_FOUND and, when found, the imported target
# PkgConfig::<Name>. Like find_package, it can be hidden with
# -DCMAKE_DISABLE_FIND_PACKAGE_<Name>=ON (to see what a fresh machine sees).
function(zd_find_peer name module)
  set(${name}_FOUND FALSE PARENT_SCOPE)
  if(CMAKE_DISABLE_FIND_PACKAGE_${name})
    return()
  endif()
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(${name} QUIET IMPORTED_TARGET GLOBAL ${module})
    set(${name}_FOUND ${${name}_FOUND} PARENT_SCOPE)
  endif()
endfunction()
