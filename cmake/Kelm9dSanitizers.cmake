# KELM9D_SANITIZE=address,undefined or KELM9D_SANITIZE=thread instruments
# everything built in this tree.
if(KELM9D_SANITIZE)
  add_compile_options(-fsanitize=${KELM9D_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${KELM9D_SANITIZE})
  if(KELM9D_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
