# Imported targets for the contest service and the client networking library. Included by
# the libraries that need them (include_guard keeps it to one definition per build).
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(CURL REQUIRED IMPORTED_TARGET GLOBAL libcurl)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET GLOBAL sqlite3)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET GLOBAL libpq)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
pkg_check_modules(ARGON2 REQUIRED IMPORTED_TARGET GLOBAL libargon2)
pkg_check_modules(TINYXML_NET REQUIRED IMPORTED_TARGET GLOBAL tinyxml)
find_package(nlohmann_json 3.10 REQUIRED GLOBAL)
find_package(ZLIB REQUIRED GLOBAL)
find_package(BZip2 REQUIRED GLOBAL)
find_package(OpenSSL REQUIRED GLOBAL)

# Where the service finds Unicode's Unihan data (Debian's unicode-data).
set(VK_UNIHAN_DIR /usr/share/unicode CACHE PATH "Folder of the Unihan_*.txt.bz2 files")

# Fuzzing builds (clang): instrument the parsing code for libFuzzer, with sanitizers.
option(VK_FUZZ "Instrument the service for libFuzzer (clang builds only)" OFF)
function(vk_fuzz_instrument target)
  if(VK_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()
