"""Builds the zd package with the library inside it, so that `import zd`
needs no environment variable.

The library is compiled with CMake from the zd source tree this directory
belongs to (only the library, in Release), or, when ZD_BUNDLE_LIBRARY names a
built libzd.so.1, that one is bundled instead. The version is the project's,
read from the top CMakeLists.txt.
"""
import os
import re
import shutil
import subprocess

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
CMAKE_LISTS = os.path.join(SOURCE, "CMakeLists.txt")


def project_version() -> str:
    with open(CMAKE_LISTS, encoding="utf-8") as f:
        match = re.search(r"project\(zd VERSION ([0-9.]+)", f.read())
    if match is None:
        raise RuntimeError(f"no project version in {CMAKE_LISTS}")
    return match.group(1)


def built_library(work: str) -> str:
    given = os.environ.get("ZD_BUNDLE_LIBRARY")
    if given:
        if not os.path.isfile(given):
            raise RuntimeError(f"ZD_BUNDLE_LIBRARY={given!r} is not a file")
        return given
    subprocess.check_call(["cmake", "-S", SOURCE, "-B", work, "-DCMAKE_BUILD_TYPE=Release",
                           "-DBUILD_TESTING=OFF"])
    subprocess.check_call(["cmake", "--build", work, "--target", "zd", "-j",
                           str(os.cpu_count() or 1)])
    return os.path.join(work, "libzd.so.1")


class BuildWithLibrary(build_py):
    """build_py, then the library into the package directory."""

    def run(self) -> None:
        super().run()
        work = os.path.join(self.get_finalized_command("build").build_temp, "libzd")
        target = os.path.join(self.build_lib, "zd", "libzd.so.1")
        self.mkpath(os.path.dirname(target))
        shutil.copyfile(built_library(os.path.abspath(work)), target)


class BinaryDistribution(Distribution):
    """The package holds a shared library: its wheel is for this platform."""

    def has_ext_modules(self) -> bool:
        return True


if not os.path.isfile(CMAKE_LISTS):
    raise RuntimeError("build the zd package from the zd source tree (bindings/python)")

setup(version=project_version(), cmdclass={"build_py": BuildWithLibrary},
      distclass=BinaryDistribution)
