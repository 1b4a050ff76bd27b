; golden case logic_global_operand
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %zm = zext i1 %m to i64
  %t = or i1 %m, @g
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
