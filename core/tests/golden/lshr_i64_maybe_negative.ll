; golden case lshr_i64_maybe_negative
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %z = zext i1 %m to i64
  %x = xor i64 %z, -1
  %y = lshr i64 %x, 1
  %e = icmp eq i64 %y, 0
  br i1 %e, label %then, label %done
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  br label %done
done:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
