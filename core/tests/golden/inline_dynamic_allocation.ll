; golden case inline_dynamic_allocation: an inlined function that allocates a
; qubit at run time is refused at the allocation
define void @main() #0 {
entry:
  call void @AllocAndX()
  ret void
}

define internal void @AllocAndX() {
block_1:
  %q = call ptr @__quantum__rt__qubit_allocate()
  call void @__quantum__qis__x__body(ptr %q)
  call void @__quantum__rt__qubit_release(ptr %q)
  ret void
}

declare ptr @__quantum__rt__qubit_allocate()
declare void @__quantum__rt__qubit_release(ptr)
declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
