# The core, written once for every build of it (the native libraries, the
# WebAssembly module, the Python extension, which reads the two lists
# below from this file):
#   MORVANE_SUBSYSTEMS  the folders of the core, the ground layer first
#   MORVANE_FP_FLAGS    the floating-point rules of every compilation and
#                       link of the core: results must be reproducible to
#                       the bit, so no contraction into fused multiply-adds
#                       and no fast-math.  Nothing reads errno, so the
#                       maths functions need not set it.
set(MORVANE_SUBSYSTEMS base elementary component datum utm mgrs lambert ifbl)
set(MORVANE_FP_FLAGS -ffp-contract=off -fno-fast-math -fno-unsafe-math-optimizations -fno-math-errno)

# MORVANE_CORE_SOURCES: the sources of the core below `root`.
function(morvane_core_sources root)
  set(sources)
  foreach(dir IN LISTS MORVANE_SUBSYSTEMS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${root}/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  set(MORVANE_CORE_SOURCES ${sources} PARENT_SCOPE)
endfunction()
