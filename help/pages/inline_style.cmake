# cmake -DSOURCE=page.htm -DSTYLE=help.css -DOUTPUT=installed/page.htm -P inline_style.cmake
# Writes the page with its style sheet link replaced by the sheet itself, so the
# installed page stands alone. The source pages keep the link so they can be read
# straight from the source tree.
set(link "<link rel=\"stylesheet\" href=\"help.css\">")
file(READ "${SOURCE}" page)
file(READ "${STYLE}" style)
string(FIND "${page}" "${link}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${SOURCE} does not link help.css")
endif()
string(REPLACE "${link}" "<style>\n${style}</style>" page "${page}")
file(WRITE "${OUTPUT}.tmp" "${page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
