; golden case inline_recursion: a defined function that calls itself through
; another one cannot be inlined
define void @main() #0 {
entry:
  call void @Recurse(ptr null)
  ret void
}

define internal void @Recurse(ptr %q) {
block_1:
  call void @__quantum__qis__x__body(ptr %q)
  call void @Again(ptr %q)
  ret void
}

define internal void @Again(ptr %q) {
block_2:
  call void @Recurse(ptr %q)
  ret void
}

declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
