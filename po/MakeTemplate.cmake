# Writes the text template POT from every text the sources mark with Tr or TrNoop.
# Usage: cmake -DXGETTEXT=<xgettext> -DSOURCE_DIR=<source tree> -DPOT=<output> -P MakeTemplate.cmake
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/Program.cpp ${SOURCE_DIR}/text/*.cpp ${SOURCE_DIR}/platform/*.cpp
  ${SOURCE_DIR}/config/*.cpp ${SOURCE_DIR}/smf/*.cpp ${SOURCE_DIR}/devices/*.cpp
  ${SOURCE_DIR}/content/*.cpp ${SOURCE_DIR}/framework/*.cpp ${SOURCE_DIR}/song/*.cpp
  ${SOURCE_DIR}/widgets/*.cpp ${SOURCE_DIR}/game/*.cpp ${SOURCE_DIR}/menus/*.cpp)
list(SORT sources)
execute_process(
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword=Tr --keyword=TrNoop
          --add-comments=TRANSLATORS: --package-name=keyrise --sort-by-file --output=${POT}
          ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "xgettext failed")
endif()
