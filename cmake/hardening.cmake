# Hardens the code that goes into the program as Debian builds its own packages: fortified libc
# calls where the compiler optimises, a stack protector, and a relocation table that is bound at
# start and then made read-only. Sanitizer builds go without, so that fortified calls hide nothing
# from the sanitizers; the tests' own code goes without, as it need not guard against attack.
include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:-z,relro,-z,now" QUORVEL_LINKER_BINDS_NOW)

function(quorvel_harden)
  if(CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    return()
  endif()
  set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE
      "$<${optimised}:-U_FORTIFY_SOURCE>" "$<${optimised}:-D_FORTIFY_SOURCE=2>"
      -fstack-protector-strong)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "EXECUTABLE|MODULE_LIBRARY" AND QUORVEL_LINKER_BINDS_NOW)
      target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
    endif()
  endforeach()
endfunction()
