; golden case controlled_one_control
%Qubit = type opaque
%Result = type opaque
%Array = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %a = call i1 @__quantum__qis__read_result__body(%Result* null)
  %f = uitofp i1 %a to double
  %g = fadd double %f, 2.5e-1
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__h__ctl to i8*), %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__s__ctl to i8*), %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 1, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__s__ctl to i8*), %Qubit* inttoptr (i64 2 to %Qubit*), %Qubit* null)
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__t__ctl to i8*), %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 1, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__t__ctl to i8*), %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 1, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__rx__ctl to i8*), double 5.0e-1, %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 1, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__ry__ctl to i8*), double %g, %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 1, i64 1, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__rz__ctl to i8*), double %g, %Qubit* inttoptr (i64 1 to %Qubit*), %Qubit* null)
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 1, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__r1__ctl to i8*), double -1.0, %Qubit* null, %Qubit* inttoptr (i64 2 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 1, i64 1, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__r1__ctl to i8*), double %g, %Qubit* null, %Qubit* inttoptr (i64 2 to %Qubit*))
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__x__ctl to i8*), %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__h__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__s__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__t__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__x__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__rx__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__ry__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__rz__ctl(%Array*, %Qubit*)
declare void @__quantum__qis__r1__ctl(%Array*, %Qubit*)
declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, i8*, ...)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
