# Links a program that stands in for the modeller: the scene and the module
# loader, with the host's services exported to the module under the
# modeller's names.  Natively the module is loaded with dlopen, so the
# program exports its symbols; on Windows the runtime is linked statically.
# A build that makes the module builds it first; the Windows host's build
# makes none and runs the other build's.
function(rilo_host_program target)
  target_link_libraries(${target} PRIVATE standin_core standin_loader)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
    set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  endif()
  if(TARGET rilo)
    add_dependencies(${target} rilo)
  endif()
endfunction()
