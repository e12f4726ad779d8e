# Cross-builds both programs for another Linux CPU with Debian's cross compiler
# (package g++-TRIPLE), and runs them under qemu-user-static, whose
# static emulator lets LD_PRELOAD reach the guest's own loader. The preset
# names the CPU (SQUEEZLE_CROSS_CPU: s390x, i686, aarch64, armv7l) and qemu's
# name for it (SQUEEZLE_QEMU_CPU: s390x, i386, aarch64, arm), and the
# compiler's triple where it is not CPU-linux-gnu (SQUEEZLE_CROSS_TRIPLE:
# arm-linux-gnueabihf for armhf).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SQUEEZLE_CROSS_CPU SQUEEZLE_QEMU_CPU SQUEEZLE_CROSS_TRIPLE)
set(triple ${SQUEEZLE_CROSS_CPU}-linux-gnu)
if(SQUEEZLE_CROSS_TRIPLE)
  set(triple ${SQUEEZLE_CROSS_TRIPLE})
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${SQUEEZLE_CROSS_CPU})

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${SQUEEZLE_QEMU_CPU}-static -L /usr/${triple})

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
