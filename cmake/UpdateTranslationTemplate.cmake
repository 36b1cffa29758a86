# cmake -DLUPDATE=<lupdate> -DSOURCES=<folder> -DTEMPLATE=<file.ts> -P UpdateTranslationTemplate.cmake
#
# Writes the translation template of every text under SOURCES and fails, leaving no template,
# when lupdate warns or a text has no class of its own: QObject::tr() in a free function puts
# it in the context "QObject", which every class shares, so it could never be told apart.
foreach(var LUPDATE SOURCES TEMPLATE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "UpdateTranslationTemplate.cmake needs -D${var}=...")
  endif()
endforeach()

# A template holds only what the sources say today: a fresh file each time.
file(REMOVE ${TEMPLATE})
execute_process(
  COMMAND ${LUPDATE} -recursive ${SOURCES} -ts ${TEMPLATE} -no-obsolete -locations none
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)

# What lupdate says on a clean run; every other line is a warning about a text.
string(REGEX REPLACE "[^\n]*(Scanning directory|Updating '|Found [0-9]+ source text)[^\n]*\n?" ""
       warnings "${out}")
string(STRIP "${warnings}" warnings)
set(problems "")
if(NOT result EQUAL 0)
  string(APPEND problems "\nlupdate failed (${result})")
endif()
if(warnings)
  string(APPEND problems "\nlupdate warns:\n${warnings}")
endif()
if(EXISTS ${TEMPLATE})
  file(READ ${TEMPLATE} ts)
  string(FIND "${ts}" "<name>QObject</name>" at)
  if(at GREATER -1)
    string(SUBSTRING "${ts}" ${at} -1 context)
    string(FIND "${context}" "</context>" end)
    string(SUBSTRING "${context}" 0 ${end} context)
    string(REGEX MATCHALL "<source>[^<]*</source>" texts "${context}")
    string(REPLACE ";" "\n  " texts "${texts}")
    string(APPEND problems "\ntexts in the context \"QObject\", outside a class of their own "
           "(use that class's tr(), Q_DECLARE_TR_FUNCTIONS or QCoreApplication::translate):\n  "
           "${texts}")
  endif()
else()
  string(APPEND problems "\nlupdate wrote no template")
endif()

if(problems)
  file(REMOVE ${TEMPLATE})
  message(FATAL_ERROR "Translation template ${TEMPLATE}:${problems}")
endif()
