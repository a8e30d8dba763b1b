# vadu_target_setup(target): the warnings and the CP932 literal encoding that
# every engine, test and tool target shares.
#
# vadu_sources(out_var src...): the list of sources to compile. With GCC these
# are the sources themselves. With clang (the fuzz build) each source is first
# copied into the build tree by the cp932lit tool, which rewrites the non-ASCII
# characters of string and character literals as CP932 octal escapes, so the
# compiled bytes are those GCC would produce.

#
# In the fuzz build (VADU_FUZZ, clang only) every target that
# vadu_target_setup prepares is instrumented for libFuzzer's coverage and
# for AddressSanitizer and UndefinedBehaviorSanitizer; the harnesses add
# -fsanitize=fuzzer themselves (fuzz/CMakeLists.txt). Undefined behaviour
# aborts there, so the fuzzer reports it as a crash.

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(VADU_REWRITE_LITERALS ON)
  # The rewriter is a host tool; it must exist before any rewritten source.
  # It is not instrumented: it only has to run.
  add_executable(cp932lit ${PROJECT_SOURCE_DIR}/tools/cp932lit.cpp)
  target_compile_options(cp932lit PRIVATE ${VADU_WARNINGS})
  set(VADU_GEN_DIR ${PROJECT_BINARY_DIR}/cp932src)
else()
  set(VADU_REWRITE_LITERALS OFF)
endif()

if(VADU_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "VADU_FUZZ needs clang (libFuzzer): configure with CC=clang CXX=clang++, as `make fuzz` does")
endif()
set(VADU_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
  -fno-omit-frame-pointer)

function(vadu_target_setup target)
  target_compile_options(${target} PRIVATE ${VADU_WARNINGS})
  if(NOT VADU_REWRITE_LITERALS)
    target_compile_options(${target} PRIVATE ${VADU_CHARSET_FLAGS})
  endif()
  if(VADU_FUZZ)
    target_compile_options(${target} PRIVATE ${VADU_FUZZ_FLAGS})
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

function(vadu_sources out_var)
  if(NOT VADU_REWRITE_LITERALS)
    set(${out_var} ${ARGN} PARENT_SCOPE)
    return()
  endif()
  set(result)
  foreach(src IN LISTS ARGN)
    get_filename_component(abs ${src} ABSOLUTE)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${abs})
    set(out ${VADU_GEN_DIR}/${rel})
    add_custom_command(OUTPUT ${out}
      COMMAND cp932lit ${abs} ${out}
      DEPENDS cp932lit ${abs}
      COMMENT "CP932 literals: ${rel}" VERBATIM)
    list(APPEND result ${out})
  endforeach()
  set(${out_var} ${result} PARENT_SCOPE)
endfunction()
