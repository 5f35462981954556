"""Builds the extension morvane._morvane from the library's own sources.

The core is compiled into the extension with the floating-point flags of
the library's CMake build, so that every result has the same bits as the
C++ library and the command-line tool.  The sources are found relative to
this file: the package is built from a checkout of the repository
(`pip install ./python`).

The national agency's grids (data/grids/morvane_grids.bin) are compiled
into the extension as the native libraries carry them: a C array generated
in the build directory, as cmake/embed_grid_table.cmake writes it, and
MORVANE_EMBEDDED_GRIDS defined.  The grids are CC BY 4.0: their credit,
data/be_ign/NOTICE.md, ships in the package as morvane/GRIDS-NOTICE.md.
"""

from __future__ import annotations

import os
import platform
import re
import sys
from pathlib import Path

from pybind11 import get_include
from pybind11.setup_helpers import ParallelCompile
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.build_py import build_py

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
CORE_CMAKE = ROOT / "cmake" / "core.cmake"
GRID_TABLE = ROOT / "data" / "grids" / "morvane_grids.bin"
GRID_NOTICE = ROOT / "data" / "be_ign" / "NOTICE.md"
# The name the grids' credit has in the package.
NOTICE_IN_PACKAGE = "GRIDS-NOTICE.md"


def cmake_list(name: str) -> list[str]:
    """The items of `set(NAME item ...)` in cmake/core.cmake, where the core's
    folders and floating-point rules are written for every build of it."""
    try:
        text = CORE_CMAKE.read_text(encoding="utf-8")
    except OSError:
        sys.exit(
            f"morvane: {CORE_CMAKE} is not there: "
            "build the package from a checkout of the repository (pip install ./python)"
        )
    # Comments out, then the one set() of that name (items unquoted, as written there).
    text = re.sub(r"#[^\n]*", "", text)
    found = re.findall(rf"\bset\(\s*{name}\s+([^)]*)\)", text)
    if len(found) != 1 or not found[0].split():
        sys.exit(f"morvane: {CORE_CMAKE} does not set {name} once")
    return found[0].split()


SUBSYSTEMS = tuple(cmake_list("MORVANE_SUBSYSTEMS"))
# Reproducible to the bit: no contraction into fused multiply-adds, no
# fast-math, as in the CMake build.
FLOATING_POINT_FLAGS = cmake_list("MORVANE_FP_FLAGS")
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


def needed_file(path: Path) -> Path:
    if not path.is_file():
        sys.exit(
            f"morvane: {path} is not there: "
            "build the package from a checkout of the repository (pip install ./python)"
        )
    return path


def write_grid_table(table: Path, out: Path) -> None:
    """The grid table as a C array, the text cmake/embed_grid_table.cmake
    writes: datum/grid_table.cpp declares both names extern "C"."""
    data = table.read_bytes()
    lines = [
        "".join(f"0x{b:02x}," for b in data[i : i + 24]) for i in range(0, len(data), 24)
    ]
    text = (
        f"/* Generated from {table}: do not edit. */\n#include <stddef.h>\n"
        "extern const unsigned char morvane_grid_table[];\n"
        "extern const size_t morvane_grid_table_size;\n"
        "const unsigned char morvane_grid_table[] = {\n" + "\n".join(lines) + "\n};\n"
        f"const size_t morvane_grid_table_size = {len(data)};\n"
    )
    out.parent.mkdir(parents=True, exist_ok=True)
    # Written again only when it changes, so that a rebuild does not compile it again.
    if not out.exists() or out.read_text(encoding="ascii") != text:
        out.write_text(text, encoding="ascii")


# Flags of the interpreter's own build that the core is not compiled with.
DROPPED_FLAGS = ("-g", "-O", "-Wsign-compare", "-fwrapv", "-fstack-protector")


class BuildExt(build_ext):
    """Compiles with the project's optimisation and floating-point flags only.

    The interpreter's own flags add debugging information and optimisation
    levels of their own; those are dropped so that the core is compiled as
    the CMake build compiles it.
    """

    def build_extensions(self) -> None:
        table = Path(self.build_temp) / "generated" / "morvane_grid_table.c"
        write_grid_table(needed_file(GRID_TABLE), table)
        for ext in self.extensions:
            if str(table) not in ext.sources:
                ext.sources.append(str(table))
        compiler = self.compiler
        if compiler.compiler_type == "unix":
            for attribute in ("compiler_so", "compiler_cxx", "linker_so"):
                command = getattr(compiler, attribute, None)
                if command:
                    setattr(compiler, attribute, [command[0]] + [
                        flag for flag in command[1:] if not flag.startswith(DROPPED_FLAGS)
                    ])
            # The generated table is C: the C++ standard's flag is not for it.
            compile_one = compiler._compile

            def compile_c_as_c(obj, src, ext, cc_args, extra_postargs, pp_opts):
                if src.endswith(".c"):
                    extra_postargs = [f for f in extra_postargs if not f.startswith("-std=c++")]
                return compile_one(obj, src, ext, cc_args, extra_postargs, pp_opts)

            compiler._compile = compile_c_as_c
        super().build_extensions()


class BuildPy(build_py):
    """Puts the grids' credit (CC BY 4.0) into the package beside its modules."""

    def run(self) -> None:
        super().run()
        target = Path(self.build_lib) / "morvane" / NOTICE_IN_PACKAGE
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(needed_file(GRID_NOTICE)), str(target))


ParallelCompile("MORVANE_BUILD_JOBS", default=0).install()

extension = Extension(
    "morvane._morvane",
    sources=[str(p) for p in sorted((HERE / "src").glob("*.cpp"))] + core_sources(),
    # Any header or floating-point rule changed rebuilds the extension.
    depends=[str(p) for d in (*SUBSYSTEMS, "include/morvane", "python/src") for p in sorted((ROOT / d).glob("*.h*"))]
    + [str(CORE_CMAKE), str(GRID_TABLE)],
    include_dirs=[str(ROOT), str(ROOT / "include"), get_include()],
    # The core finds the grids compiled in (datum/grid_table.cpp).
    define_macros=[("MORVANE_EMBEDDED_GRIDS", None)],
    language="c++",
    extra_compile_args=COMPILE_FLAGS,
    extra_link_args=LINK_FLAGS,
)

setup(ext_modules=[extension], cmdclass={"build_ext": BuildExt, "build_py": BuildPy})
