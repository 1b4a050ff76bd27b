; golden case switch_wide_value
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  switch i128 1, label %next [
    i128 1, label %next
    i128 2, label %other
  ]
other:
  br label %next
next:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
