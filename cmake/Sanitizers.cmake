# SPDX-License-Identifier: GPL-3.0-or-later
# KELVARA_SANITIZE applies to everything built in this tree, so that the
# library, the executable and the tests agree on one runtime.
if(KELVARA_SANITIZE)
  add_compile_options(-fsanitize=${KELVARA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${KELVARA_SANITIZE})
endif()
