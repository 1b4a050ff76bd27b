; golden case switch_default_only
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  switch i64 7, label %next [
  ]
next:
  call void @__quantum__qis__h__body(%Qubit* null)
  switch i64 3, label %last [
    i64 1, label %last
  ]
last:
  call void @__quantum__qis__x__body(%Qubit* null)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
