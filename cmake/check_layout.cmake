# Fails when a folder includes a header from a folder above it.
#   cmake -DROOT=<source folder> "-DLAYERS=<folders of the lowest layer>;<next layer>;..." -P check_layout.cmake
# Each layer names its folders separated by spaces. A file may include headers of its own folder
# and of the folders of lower layers; an include of a folder of its own layer or a higher one is
# reported with the file and line. Includes without a folder, or of folders that are not in the
# layers (Qt, the standard library, tests/support), are not checked.
set(rank 0)
set(folders)
foreach(layer IN LISTS LAYERS)
  string(REPLACE " " ";" names "${layer}")
  foreach(name IN LISTS names)
    set(rank_${name} ${rank})
    list(APPEND folders ${name})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

set(violations "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*" "\\1" included "${line}")
      if(NOT included STREQUAL folder AND DEFINED rank_${included}
         AND NOT rank_${included} LESS rank_${folder})
        file(RELATIVE_PATH shown "${ROOT}" "${source}")
        string(APPEND violations "  ${shown}: ${line} (${folder} may not include from ${included})\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(violations)
  message(FATAL_ERROR "A folder includes from a folder above it:\n${violations}")
endif()
