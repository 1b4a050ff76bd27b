; golden case logic_i1_constant_two: i1 literals are read modulo 2 (2 is false, 3 and -1 are true)
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %f = and i1 %m, 2
  %n = xor i1 %m, 3
  %s = select i1 -1, i1 %n, i1 %f
  br i1 %s, label %then, label %next
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  br label %next
next:
  br i1 -1, label %last, label %done
last:
  br i1 %f, label %never, label %done
never:
  call void @__quantum__qis__x__body(%Qubit* null)
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
