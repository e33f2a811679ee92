# SPDX-License-Identifier: GPL-3.0-or-later
# Project-wide warnings: every target of ours gets them through this helper.
function(kelvara_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
  if(KELVARA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
