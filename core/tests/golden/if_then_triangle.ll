; golden case if_then_triangle
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__rt__read_result(%Result* null)
  br i1 %m, label %then, label %cont
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  br label %cont
cont:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__rt__read_result(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
