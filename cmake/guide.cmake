# Makes the guide's page from its Markdown: cmark's HTML in a complete page with a title and a
# little CSS, an anchor on every section and subsection, and a table of contents linking to them.
# cmake -DCMARK=cmark -DINPUT=docs/Anleitung.md -DOUTPUT=anleitung.html -P cmake/guide.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CMARK} ${INPUT} OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmark could not convert ${INPUT}: ${status}")
endif()

# The headings one by one; cmark writes each on a line of its own. The ids are ASCII, from the
# heading's words, so that a link written by hand in the Markdown can name them.
set(done "")
set(contents "")
set(ids "")
set(title "")
set(in_subsection FALSE)
while(TRUE)
  string(REGEX MATCH "<h([1-3])>([^\n]*)</h[1-3]>" heading "${body}")
  if(NOT heading)
    break()
  endif()
  set(level ${CMAKE_MATCH_1})
  set(inner "${CMAKE_MATCH_2}")
  string(FIND "${body}" "${heading}" at)
  string(SUBSTRING "${body}" 0 ${at} before)
  string(LENGTH "${heading}" length)
  math(EXPR after "${at} + ${length}")
  string(SUBSTRING "${body}" ${after} -1 body)
  string(REGEX REPLACE "<[^>]*>" "" plain "${inner}")
  if(level EQUAL 1)
    if(NOT title)
      set(title "${plain}")
    endif()
    string(APPEND done "${before}${heading}")
    continue()
  endif()

  string(TOLOWER "${plain}" id)
  foreach(letter "ä=ae" "ö=oe" "ü=ue" "Ä=ae" "Ö=oe" "Ü=ue" "ß=ss")
    string(REPLACE "=" ";" pair "${letter}")
    list(GET pair 0 from)
    list(GET pair 1 to)
    string(REPLACE "${from}" "${to}" id "${id}")
  endforeach()
  string(REGEX REPLACE "&[a-z]+;" "" id "${id}")
  string(REGEX REPLACE "[^a-z0-9]+" "-" id "${id}")
  string(REGEX REPLACE "^-+|-+$" "" id "${id}")
  set(unique "${id}")
  set(count 1)
  while(unique IN_LIST ids)
    math(EXPR count "${count} + 1")
    set(unique "${id}-${count}")
  endwhile()
  list(APPEND ids "${unique}")

  # The table of contents starts before the first section.
  if(NOT contents)
    string(APPEND before "<nav class=\"inhalt\" aria-label=\"Inhalt\">\n<p>Inhalt</p>\n@CONTENTS@</nav>\n")
  endif()
  if(level EQUAL 2)
    if(in_subsection)
      string(APPEND contents "</ul>")
      set(in_subsection FALSE)
    endif()
    if(contents)
      string(APPEND contents "</li>\n")
    endif()
    string(APPEND contents "<li><a href=\"#${unique}\">${inner}</a>")
  else()
    if(NOT in_subsection)
      string(APPEND contents "\n<ul>")
      set(in_subsection TRUE)
    endif()
    string(APPEND contents "<li><a href=\"#${unique}\">${inner}</a></li>")
  endif()
  string(APPEND done "${before}<h${level} id=\"${unique}\">${inner}</h${level}>")
endwhile()
string(APPEND done "${body}")
if(in_subsection)
  string(APPEND contents "</ul>")
endif()
if(contents)
  string(APPEND contents "</li>\n")
endif()
string(REPLACE "@CONTENTS@" "<ul>\n${contents}</ul>\n" done "${done}")

set(style [=[
body { margin: 0; background: #f4f4f2; color: #222; font: 16px/1.5 "Liberation Sans", Arial, sans-serif; }
main { max-width: 48em; margin: 0 auto; padding: 1em 2em 3em; background: #fff; }
h1 { font-size: 1.7em; margin-top: 0.5em; }
h2 { font-size: 1.3em; margin-top: 1.8em; border-bottom: 1px solid #ccc; }
h3 { font-size: 1.1em; margin-top: 1.4em; }
code, pre { font-family: "Liberation Mono", Consolas, monospace; font-size: 0.92em; }
code { background: #eef0f3; padding: 0 0.2em; }
pre { background: #eef0f3; padding: 0.6em 0.8em; white-space: pre-wrap; overflow-wrap: anywhere; }
pre code { padding: 0; }
.inhalt { background: #f7f7f4; border: 1px solid #ddd; padding: 0.2em 1.2em 0.6em; }
.inhalt p { font-weight: bold; margin: 0.6em 0 0.2em; }
.inhalt ul { margin: 0.2em 0; padding-left: 1.4em; }
a { color: #1a4f9c; }
img { max-width: 100%; height: auto; vertical-align: top; border: 1px solid #ddd; }
p:has(> img + img) img { max-width: calc(50% - 0.4em); }
@media print { body { background: #fff; } main { max-width: none; padding: 0; } }
]=])
file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"de\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${title}</title>
<style>${style}</style>
</head>
<body>
<main>
${done}</main>
</body>
</html>
")
