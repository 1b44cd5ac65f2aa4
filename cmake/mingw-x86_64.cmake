# A test vehicle for machines whose kernel cannot run 32-bit programs (64-bit Wine runs it).
# The product is the i686 build.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
