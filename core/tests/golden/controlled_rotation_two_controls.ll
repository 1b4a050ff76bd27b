; golden case controlled_rotation_two_controls
define void @main() #0 {
entry:
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 1, i64 0, i64 2, i64 1, ptr @__quantum__qis__rz__ctl, double 1.0, ptr null, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr))
  ret void
}

declare void @__quantum__qis__rz__ctl(ptr, ptr)
declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, ptr, ...)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
