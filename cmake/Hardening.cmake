# The hardening a distribution builds with: on Linux the flags dpkg-buildflags gives by default on
# Debian 12 (with immediate binding as well), on Windows the mingw-w64 counterparts that apply.
# Not under the sanitizers, which bring their own checks and clash with _FORTIFY_SOURCE.
if(VEDODUD_SANITIZE)
  return()
endif()

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)

if(WIN32)
  # The stack protector's runtime (libssp) goes inside with the other static runtimes; ASLR and
  # DEP. The 64-bit test twin keeps its fixed base below 4 GiB (see its toolchain file).
  add_link_options(-fstack-protector-strong -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_link_options(-Wl,--dynamicbase)
  endif()
  return()
endif()

# _FORTIFY_SOURCE only acts on optimised code and warns about the rest.
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_compile_options(-Wdate-time)
add_link_options(-Wl,-z,relro -Wl,-z,now)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
