# Cross-builds both programs for another Linux CPU with Debian's cross compiler
# (package g++-TARGET-linux-gnu), and runs them under qemu-user-static, whose
# static emulator lets LD_PRELOAD reach the guest's own loader. The preset
# names the CPU (SQUEEZLE_CROSS_CPU, s390x or i686) and qemu's name for it
# (SQUEEZLE_QEMU_CPU, s390x or i386).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SQUEEZLE_CROSS_CPU SQUEEZLE_QEMU_CPU)
set(triple ${SQUEEZLE_CROSS_CPU}-linux-gnu)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${SQUEEZLE_CROSS_CPU})

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${SQUEEZLE_QEMU_CPU}-static -L /usr/${triple})

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
