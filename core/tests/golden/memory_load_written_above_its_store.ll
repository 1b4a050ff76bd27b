; golden case memory_load_written_above_its_store: the load stands in the
; text before the only store that reaches it, which runs first
define void @main() #0 {
entry:
  %s = alloca i64, align 8
  br label %init
use:
  %v = load i64, ptr %s, align 8
  %q = inttoptr i64 %v to ptr
  call void @__quantum__qis__x__body(ptr %q)
  ret void
init:
  store i64 2, ptr %s, align 8
  br label %use
}

declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
