# vadu_target_setup(target): the warnings and the CP932 literal encoding that
# every engine, test and tool target shares.
#
# vadu_sources(out_var src...): the list of sources to compile. With GCC these
# are the sources themselves. With clang (the fuzz build) each source is first
# copied into the build tree by the cp932lit tool, which rewrites the non-ASCII
# characters of string and character literals as CP932 octal escapes, so the
# compiled bytes are those GCC would produce.

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(VADU_REWRITE_LITERALS ON)
  # The rewriter is a host tool; it must exist before any rewritten source.
  add_executable(cp932lit ${PROJECT_SOURCE_DIR}/tools/cp932lit.cpp)
  set(VADU_GEN_DIR ${PROJECT_BINARY_DIR}/cp932src)
else()
  set(VADU_REWRITE_LITERALS OFF)
endif()

function(vadu_target_setup target)
  target_compile_options(${target} PRIVATE ${VADU_WARNINGS})
  if(NOT VADU_REWRITE_LITERALS)
    target_compile_options(${target} PRIVATE ${VADU_CHARSET_FLAGS})
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
