%Qubit = type opaque
%Result = type opaque
define void @helper() #1 {
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}
define void @main() #0 {
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %m, label %then, label %done
then:
  call void @__quantum__qis__h__body(%Qubit* null)
  br label %done
done:
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}
declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result*)
declare i1 @__quantum__qis__read_result__body(%Result*)
attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { nounwind }
