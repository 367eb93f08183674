# Areas of the program. Every folder under src/ is one library, brindle_<folder>;
# the windows of a folder live in its ui/ twin, library brindle_<folder>_ui.
# tools/layers.txt ranks the folders from the bottom up; tools/check-layers (the
# test "layers") holds every #include line and every link line to that order.
#
#   brindle_area(<folder>
#                [LINKS <folder>...]      folders whose libraries the logic uses
#                [QT <module>...]         Qt modules of the logic besides Core
#                [UI]                     the folder has a ui/ twin
#                [UI_LINKS <folder>...]   folders the windows use besides <folder>
#                [UI_QT <module>...])     Qt modules of the windows besides Widgets
#
# Folders are named as under src/ ("common", "common/ui"); the library of a
# folder is brindle_ followed by the folder with "/" turned into "_". A folder
# without a .cpp file yet becomes an interface library, so an area that is still
# empty already has its target, its links and its place in the order, and
# turns into a static library by itself when its first source arrives.

# Marks a target as belonging to a folder, for the link part of the layer check.
function(brindle_layer_target target folder)
  set_property(TARGET ${target} PROPERTY BRINDLE_FOLDER ${folder})
  set_property(GLOBAL APPEND PROPERTY BRINDLE_LAYER_TARGETS ${target})
endfunction()

function(_brindle_folder_library folder links qt)
  string(REPLACE "/" "_" target "brindle_${folder}")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/src/${folder}/*.h)
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  set(deps)
  foreach(l IN LISTS links)
    if(l)
      string(REPLACE "/" "_" t "brindle_${l}")
      list(APPEND deps ${t})
    endif()
  endforeach()
  foreach(m IN LISTS qt)
    if(m)
      list(APPEND deps Qt6::${m})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES deps)
  if(cpp)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE ${sources})
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} ${scope} ${deps})
  brindle_layer_target(${target} ${folder})
endfunction()

function(brindle_area folder)
  cmake_parse_arguments(PARSE_ARGV 1 A "UI" "" "LINKS;QT;UI_LINKS;UI_QT")
  if(A_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brindle_area(${folder}): unknown arguments ${A_UNPARSED_ARGUMENTS}")
  endif()
  if("Widgets" IN_LIST A_QT)
    message(FATAL_ERROR "brindle_area(${folder}): logic never links QtWidgets; windows go to ${folder}/ui")
  endif()
  _brindle_folder_library(${folder} "${A_LINKS}" "Core;${A_QT}")
  if(A_UI)
    _brindle_folder_library(${folder}/ui "${folder};${A_UI_LINKS}" "Widgets;${A_UI_QT}")
  elseif(A_UI_LINKS OR A_UI_QT)
    message(FATAL_ERROR "brindle_area(${folder}): UI_LINKS and UI_QT need UI")
  endif()
endfunction()

# Writes one line per marked target, "target|folder|link;link;...", for the
# layer check (run after every folder has been added).
function(brindle_write_layer_links file)
  get_property(targets GLOBAL PROPERTY BRINDLE_LAYER_TARGETS)
  set(text "")
  foreach(t IN LISTS targets)
    get_target_property(folder ${t} BRINDLE_FOLDER)
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(links ${t} INTERFACE_LINK_LIBRARIES)
    else()
      get_target_property(links ${t} LINK_LIBRARIES)
    endif()
    if(NOT links)
      set(links "")
    endif()
    string(APPEND text "${t}|${folder}|${links}\n")
  endforeach()
  file(WRITE ${file}.new "${text}")
  file(COPY_FILE ${file}.new ${file} ONLY_IF_DIFFERENT)
  file(REMOVE ${file}.new)
endfunction()
