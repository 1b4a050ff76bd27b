; golden case controlled_two_rotation_angles
define void @main() #0 {
entry:
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 2, i64 0, i64 1, i64 1, ptr @__quantum__qis__rx__ctl, double 1.0, double 2.0, ptr null, ptr inttoptr (i64 1 to ptr))
  ret void
}

declare void @__quantum__qis__rx__ctl(ptr, ptr)
declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, ptr, ...)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
