# cmake -DCONVERTER=<qwebengine_convert_dict> -DDIC=<hunspell .dic> -DBDIC=<output> -P ConvertSpellDictionary.cmake
#
# Converts one hunspell dictionary into the web engine's form. A dictionary
# the converter refuses is left out with a warning: the build goes on and the
# rich editor checks that language with nothing.
execute_process(COMMAND ${CONVERTER} ${DIC} ${BDIC}.part
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0 AND EXISTS ${BDIC}.part)
  file(RENAME ${BDIC}.part ${BDIC})
else()
  file(REMOVE ${BDIC}.part)
  message(WARNING "The spelling dictionary ${DIC} could not be converted (${result}):\n${output}")
endif()
