# The version is the project's (project(VantorUpdate VERSION ...) in the root
# CMakeLists.txt) and nothing else: the programs read it from a generated header, the
# packages from PROJECT_VERSION.
set(VANTOR_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VantorVersion.h.in ${VANTOR_GENERATED_DIR}/VantorVersion.h @ONLY)

# Called once the programs exist: `--version` and the dialog's version resource.
function(vantor_attach_version)
  foreach(program vantor-update vantor_cli VantorUpdate VantorUpdateSim)
    if(TARGET ${program})
      target_include_directories(${program} PRIVATE ${VANTOR_GENERATED_DIR})
    endif()
  endforeach()
  # Both dialogs compile the one resource script; each names its own file in it.
  if(TARGET VantorUpdateSim)
    target_compile_definitions(VantorUpdateSim PRIVATE $<$<COMPILE_LANGUAGE:RC>:VANTOR_SIMULATED_DIALOG>)
  endif()
endfunction()
