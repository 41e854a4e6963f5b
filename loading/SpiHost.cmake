# The decoder plug-in host, a library the picture loader links, with the picture-type
# classifier that both use.
# Included once, from loading/CMakeLists.txt.
add_library(velumira_spihost STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SpiContract.h
  ${CMAKE_CURRENT_LIST_DIR}/SpiHost.h ${CMAKE_CURRENT_LIST_DIR}/SpiHost.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SpiDib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SpiLibrary.h ${CMAKE_CURRENT_LIST_DIR}/SpiLibrary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PictureName.h ${CMAKE_CURRENT_LIST_DIR}/PictureName.cpp)
target_include_directories(velumira_spihost PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(velumira_spihost PUBLIC Qt6::Core Qt6::Gui PRIVATE velumira_platform ${CMAKE_DL_LIBS})
target_compile_definitions(velumira_spihost PRIVATE QT_NO_VERSION_TAGGING)   # see loading/
