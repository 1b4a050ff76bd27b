; golden case phi_integer_wide_constant: an incoming literal wraps to its type's width
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %m, label %rhs, label %merge
rhs:
  br label %merge
merge:
  %v = phi i64 [ 1, %rhs ], [ 9223372036854775808, %entry ]
  %neg = icmp slt i64 %v, 0
  br i1 %neg, label %then, label %done
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  br label %done
done:
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__ry__body(double, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
