# X11, Xt, Motif, Xmu, Xpm, Xext (MIT-SHM, Shape) and Xtst, all from Debian.
# X and Motif headers are system headers so our code builds warning-free.
find_package(X11 REQUIRED)
find_package(Motif REQUIRED)

foreach(comp Xt Xmu Xpm Xext Xtst)
  if(NOT TARGET X11::${comp})
    message(FATAL_ERROR "X11 component ${comp} not found; run scripts/setup")
  endif()
endforeach()

if(NOT TARGET Motif::Xm)
  add_library(Motif::Xm UNKNOWN IMPORTED)
  set_target_properties(Motif::Xm PROPERTIES
    IMPORTED_LOCATION "${MOTIF_LIBRARIES}"
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${MOTIF_INCLUDE_DIR}"
    INTERFACE_INCLUDE_DIRECTORIES "${MOTIF_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "X11::Xt;X11::X11")
endif()
