# SPDX-License-Identifier: GPL-3.0-or-later
# The program's icon, resources/kelvara.svg, rendered to PNG at the sizes
# that icon themes and window decorations ask for. The renders are made at
# build time, so the drawing has one source; each lies at
# ${KELVARA_ICON_DIR}/<size>x<size>/kelvara.png.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(KELVARA_ICON_SVG "${CMAKE_SOURCE_DIR}/resources/kelvara.svg")
set(KELVARA_ICON_SIZES 16 24 32 48 64 128 256)
set(KELVARA_ICON_DIR "${CMAKE_BINARY_DIR}/icons")

# kelvara_icon_renders(OUT): the rules that render the icon, and in OUT the
# renders' paths. A custom command gives its rule only to targets of the
# directory that calls this, so the icon's first user, the info module,
# does.
function(kelvara_icon_renders out)
  set(pngs)
  foreach(size IN LISTS KELVARA_ICON_SIZES)
    set(png "${KELVARA_ICON_DIR}/${size}x${size}/kelvara.png")
    add_custom_command(OUTPUT "${png}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${KELVARA_ICON_DIR}/${size}x${size}"
      COMMAND "${RSVG_CONVERT}" --width=${size} --height=${size} --output "${png}"
              "${KELVARA_ICON_SVG}"
      DEPENDS "${KELVARA_ICON_SVG}"
      COMMENT "Rendering the icon at ${size}x${size}"
      VERBATIM)
    list(APPEND pngs "${png}")
  endforeach()
  set(${out} ${pngs} PARENT_SCOPE)
endfunction()
