; golden case icmp_wide_constant: i64 9223372036854775808 is -2^63, the smallest i64
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %zm = zext i1 %m to i64
  %t = icmp sgt i64 %zm, 9223372036854775808
  br i1 %t, label %then, label %done
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
