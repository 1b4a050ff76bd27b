; golden case measurement_forms_opaque_pointers
define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 1 to ptr))
  call void @__quantum__qis__mresetz__body(ptr null, ptr null)
  call void @__quantum__qis__reset__body(ptr inttoptr (i64 2 to ptr))
  ret void
}

declare void @__quantum__qis__mz__body(ptr, ptr writeonly)
declare void @__quantum__qis__mresetz__body(ptr, ptr)
declare void @__quantum__qis__reset__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
