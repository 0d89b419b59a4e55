# Cross build of the same sources as a 64-bit Windows program. It runs natively in Wine's
# 64-bit loader, which is how the test suite runs at full speed on hosts that cannot execute
# 32-bit code themselves (see README, "Testing").
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MORVEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
