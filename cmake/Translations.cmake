# The translation template: every text the program shows, by the class it belongs to. It is made
# with each build from the sources, and a text lupdate cannot place (a tr() outside a class, in
# a class without Q_OBJECT, under an unknown class) fails the build, as such a text would never
# be translated.
find_program(TUNEWALK_LUPDATE lupdate HINTS /usr/lib/qt6/bin "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}"
  REQUIRED)
file(GLOB_RECURSE tunewalk_translated_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
set(TUNEWALK_TRANSLATION_TEMPLATE ${PROJECT_BINARY_DIR}/translations/tunewalk.ts)
add_custom_command(OUTPUT ${TUNEWALK_TRANSLATION_TEMPLATE}
  COMMAND ${CMAKE_COMMAND} -DLUPDATE=${TUNEWALK_LUPDATE} -DSOURCES=${PROJECT_SOURCE_DIR}/src
          -DTEMPLATE=${TUNEWALK_TRANSLATION_TEMPLATE}
          -P ${PROJECT_SOURCE_DIR}/cmake/UpdateTranslationTemplate.cmake
  DEPENDS ${tunewalk_translated_sources} ${PROJECT_SOURCE_DIR}/cmake/UpdateTranslationTemplate.cmake
  COMMENT "Collecting the texts to translate" VERBATIM)
add_custom_target(tunewalk_translation_template ALL DEPENDS ${TUNEWALK_TRANSLATION_TEMPLATE})
