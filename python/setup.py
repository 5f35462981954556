"""Builds the extension morvane._morvane from the library's own sources.

The core is compiled into the extension with the floating-point flags of
the library's CMake build, so that every result has the same bits as the
C++ library and the command-line tool.  The sources are found relative to
this file: the package is built from a checkout of the repository
(`pip install ./python`).
"""

from __future__ import annotations

import os
import platform
import sys
from pathlib import Path

from pybind11 import get_include
from pybind11.setup_helpers import ParallelCompile
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
SUBSYSTEMS = ("base", "elementary", "component", "datum", "utm", "mgrs", "lambert", "ifbl")

# Reproducible to the bit: no contraction into fused multiply-adds, no
# fast-math, as in the CMake build.
FLOATING_POINT_FLAGS = [
    "-ffp-contract=off",
    "-fno-fast-math",
    "-fno-unsafe-math-optimizations",
    "-fno-math-errno",
]
# Nothing outside the extension calls into the core, so its calls need no
# indirection for symbol interposition.
COMPILE_FLAGS = [
    "-std=c++20",
    "-O2",
    "-fvisibility=hidden",
    "-fno-semantic-interposition",
    "-fno-plt",
    *FLOATING_POINT_FLAGS,
]
LINK_FLAGS = ["-pthread", f"-Wl,--version-script={HERE / 'src' / 'exports.map'}"]
if platform.machine().lower() in ("x86_64", "amd64"):
    COMPILE_FLAGS.append("-march=" + os.environ.get("MORVANE_ARCH", "x86-64-v2"))
    # The core keeps its current ellipsoid per thread.  In a shared object
    # each such read is a call into the dynamic loader; with TLS
    # descriptors it is a few instructions once the block is placed.
    COMPILE_FLAGS.append("-mtls-dialect=gnu2")
if os.environ.get("MORVANE_LTO", "1") != "0":
    # Link-time optimisation, as the CMake build does for GCC: the calls
    # between the subsystems of a conversion are inlined.  Code is
    # generated at link time, with the same floating-point rules.
    COMPILE_FLAGS.append("-flto=auto")
    LINK_FLAGS += ["-flto=auto", "-O2", *FLOATING_POINT_FLAGS]


def core_sources() -> list[str]:
    missing = [d for d in SUBSYSTEMS if not (ROOT / d).is_dir()]
    if missing:
        sys.exit(
            f"morvane: the library's sources ({', '.join(missing)}) are not beside {HERE}: "
            "build the package from a checkout of the repository (pip install ./python)"
        )
    return [str(p) for d in SUBSYSTEMS for p in sorted((ROOT / d).glob("*.cpp"))]


# Flags of the interpreter's own build that the core is not compiled with.
DROPPED_FLAGS = ("-g", "-O", "-Wsign-compare", "-fwrapv", "-fstack-protector")


class BuildExt(build_ext):
    """Compiles with the project's optimisation and floating-point flags only.

    The interpreter's own flags add debugging information and optimisation
    levels of their own; those are dropped so that the core is compiled as
    the CMake build compiles it.
    """

    def build_extensions(self) -> None:
        compiler = self.compiler
        if compiler.compiler_type == "unix":
            for attribute in ("compiler_so", "compiler_cxx", "linker_so"):
                command = getattr(compiler, attribute, None)
                if command:
                    setattr(compiler, attribute, [command[0]] + [
                        flag for flag in command[1:] if not flag.startswith(DROPPED_FLAGS)
                    ])
        super().build_extensions()


ParallelCompile("MORVANE_BUILD_JOBS", default=0).install()

extension = Extension(
    "morvane._morvane",
    sources=[str(p) for p in sorted((HERE / "src").glob("*.cpp"))] + core_sources(),
    # Any header changed rebuilds the extension.
    depends=[str(p) for d in (*SUBSYSTEMS, "include/morvane", "python/src") for p in sorted((ROOT / d).glob("*.h*"))],
    include_dirs=[str(ROOT), str(ROOT / "include"), get_include()],
    language="c++",
    extra_compile_args=COMPILE_FLAGS,
    extra_link_args=LINK_FLAGS,
)

setup(ext_modules=[extension], cmdclass={"build_ext": BuildExt})
