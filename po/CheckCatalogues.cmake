# Fails unless every catalogue po/<language>.po translates every text of the template made from
# the sources (none missing, empty or fuzzy) and holds no text that the sources no longer have.
# Usage: cmake -DXGETTEXT=... -DMSGCMP=... -DSOURCE_DIR=... -DPOT=... -DLANGUAGES="en;ja"
#        -P CheckCatalogues.cmake
include(${CMAKE_CURRENT_LIST_DIR}/MakeTemplate.cmake)
set(failed "")
foreach(language ${LANGUAGES})
  set(catalogue ${SOURCE_DIR}/po/${language}.po)
  execute_process(COMMAND ${MSGCMP} ${catalogue} ${POT} RESULT_VARIABLE missing)
  execute_process(COMMAND ${MSGCMP} --use-untranslated ${POT} ${catalogue} RESULT_VARIABLE stale)
  if(NOT missing EQUAL 0)
    list(APPEND failed "${language}.po lacks translations (listed above)")
  endif()
  if(NOT stale EQUAL 0)
    list(APPEND failed "${language}.po holds texts the code no longer has (listed above)")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "${failed}")
endif()
