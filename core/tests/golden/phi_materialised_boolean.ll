; golden case phi_materialised_boolean
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %m, label %t, label %f
t:
  br label %j
f:
  br label %j
j:
  %v = phi i64 [ 1, %t ], [ 0, %f ]
  %c = icmp eq i64 %v, 1
  br i1 %c, label %then, label %cont
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  br label %cont
cont:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
