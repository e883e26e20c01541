# Fails when an include runs against the layers: core/ may include only core/,
# formats/ only core/ and formats/, app/ anything but the Qt views of app/gui/.
# Run as: cmake -DROOT=<source folder> -P check_layers.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()

set(rules
  "core|core/"
  "formats|core/,formats/"
  "app|core/,formats/,app/")

set(violations "")
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
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes against the layers core <- formats <- app:${violations}")
endif()
message(STATUS "layers: no include runs the wrong way")
