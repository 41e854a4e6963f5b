# The decoder plug-in host and its folder dialog, a library the picture loader links.
# Included once, from loading/CMakeLists.txt.
add_library(velumira_spihost STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SpiContract.h
  ${CMAKE_CURRENT_LIST_DIR}/SpiHost.h ${CMAKE_CURRENT_LIST_DIR}/SpiHost.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SpiDib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Spisetting.h ${CMAKE_CURRENT_LIST_DIR}/Spisetting.cpp)
target_include_directories(velumira_spihost PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(velumira_spihost PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets velumira_dialogs velumira_platform
  PRIVATE ${CMAKE_DL_LIBS})
