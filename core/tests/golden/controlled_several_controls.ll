; golden case controlled_several_controls
define void @main() #0 {
entry:
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 2, i64 1, ptr @__quantum__qis__z__ctl, ptr null, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr))
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 3, i64 1, ptr @__quantum__qis__z__ctl, ptr inttoptr (i64 3 to ptr), ptr inttoptr (i64 1 to ptr), ptr null, ptr inttoptr (i64 2 to ptr))
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 1, i64 3, i64 1, ptr @__quantum__qis__x__ctl, ptr null, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 3 to ptr))
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 2, i64 1, ptr @__quantum__qis__x__ctl, ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 1 to ptr), ptr null)
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 2, i64 1, ptr @__quantum__qis__y__ctl, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr), ptr null)
  call void (i64, i64, i64, i64, ptr, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 3, i64 1, ptr @__quantum__qis__y__ctl, ptr null, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 3 to ptr))
  ret void
}

declare void @__quantum__qis__x__ctl(ptr, ptr)
declare void @__quantum__qis__y__ctl(ptr, ptr)
declare void @__quantum__qis__z__ctl(ptr, ptr)
declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, ptr, ...)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
