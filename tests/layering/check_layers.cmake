# Fails when an include runs against the layers: core/ may include only core/,
# formats/ only core/ and formats/, app/ anything but the Qt views of app/gui/;
# and when modules (a header with its source file) include each other in a
# circle.
# Run as: cmake -DROOT=<source folder> -P check_layers.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()

set(rules
  "core|core/"
  "formats|core/,formats/"
  "app|core/,formats/,app/")

set(violations "")
set(modules "")
foreach(rule ${rules})
  string(REPLACE "|" ";" parts "${rule}")
  string(REPLACE "," ";" parts "${parts}")
  list(GET parts 0 layer)
  list(SUBLIST parts 1 -1 allowed)
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(source ${sources})
    # The Qt views sit above everything else.
    if(source MATCHES "^app/gui/")
      continue()
    endif()
    # A module is a header with its source file; what it includes are edges.
    string(REGEX REPLACE "\\.(h|cpp)$" "" module "${source}")
    list(APPEND modules "${module}")
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" target "${line}")
      # Project includes name their folder; anything else is a system header.
      if(NOT target MATCHES "^(core|formats|app)/")
        continue()
      endif()
      set(ok FALSE)
      foreach(prefix ${allowed})
        string(FIND "${target}" "${prefix}" at)
        if(at EQUAL 0 AND NOT target MATCHES "^app/gui/")
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        string(APPEND violations "\n  ${source} includes ${target}")
      endif()
      string(REGEX REPLACE "\\.(h|cpp)$" "" used "${target}")
      if(NOT used STREQUAL module)
        list(APPEND "uses_${module}" "${used}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes against the layers core <- formats <- app:${violations}")
endif()

# No circle between modules either: modules that use no module left are taken
# away until none is; what stays uses itself through others.
list(REMOVE_DUPLICATES modules)
set(left ${modules})
set(changed TRUE)
while(changed)
  set(changed FALSE)
  set(next "")
  foreach(module ${left})
    set(free TRUE)
    foreach(used ${uses_${module}})
      list(FIND left "${used}" at)
      if(NOT at EQUAL -1)
        set(free FALSE)
        break()
      endif()
    endforeach()
    if(free)
      set(changed TRUE)
    else()
      list(APPEND next "${module}")
    endif()
  endforeach()
  set(left ${next})
endwhile()
if(left)
  string(REPLACE ";" ", " left "${left}")
  message(FATAL_ERROR "modules that include each other in a circle (or use one): ${left}")
endif()
message(STATUS "layers: no include runs the wrong way")
