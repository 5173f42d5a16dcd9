# Writes the Windows string tables (a resource script) from src/res/texts.inc, so the
# texts are kept in one place. Run with -DINPUT=<texts.inc> -DOUTPUT=<strings.rc>.
file(STRINGS "${INPUT}" lines ENCODING UTF-8)
set(chinese "")
set(english "")
foreach(line IN LISTS lines)
  if(line MATCHES "^VANTOR_TEXT\\(([0-9]+), \"(.*)\"\\)$")
    set(id "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
    # Resource scripts double a quotation mark instead of escaping it.
    string(REPLACE "\\\"" "\"\"" text "${text}")
    # Chinese: 129 to 237 and 1000 to 1999; English: 238 to 999 and from 2000.
    if(id LESS 238 OR (id GREATER_EQUAL 1000 AND id LESS 2000))
      string(APPEND chinese "    ${id}, \"${text}\"\n")
    else()
      string(APPEND english "    ${id}, \"${text}\"\n")
    endif()
  endif()
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from src/res/texts.inc by cmake/GenerateStringTable.cmake; edit that file.
#pragma code_page(65001)
#include <winresrc.h>

LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED
STRINGTABLE
BEGIN
${chinese}END

LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
STRINGTABLE
BEGIN
${english}END
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
