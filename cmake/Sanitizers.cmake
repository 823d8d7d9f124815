# SPDX-License-Identifier: GPL-3.0-or-later
# VELMAR_SANITIZE builds everything under AddressSanitizer and UndefinedBehaviorSanitizer,
# with any undefined behaviour fatal. Under clang every library also carries the coverage
# feedback that the fuzz targets steer by.
option(VELMAR_SANITIZE "Build with ASan and UBSan" OFF)
if(VELMAR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
