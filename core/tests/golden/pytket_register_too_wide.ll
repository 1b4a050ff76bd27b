; golden case pytket_register_too_wide
%Qubit = type opaque
%Result = type opaque

@0 = internal constant [2 x i8] c"a\00"

define void @main() #0 {
entry:
  %a = call i1* @create_creg(i64 65)
  ret void
}

declare i1* @create_creg(i64)
declare void @mz_to_creg_bit(%Qubit*, i1*, i64)
declare i1 @get_creg_bit(i1*, i64)
declare void @set_creg_bit(i1*, i64, i1)
declare void @set_creg_to_int(i1*, i64)
declare i64 @get_int_from_creg(i1*)
declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result*)
declare void @__quantum__qis__zzmax__body(%Qubit*, %Qubit*)
declare void @__quantum__qis__barrier__body()
declare void @__quantum__qis__barrier2__body(%Qubit*, %Qubit*)
declare void @__quantum__rt__int_record_output(i64, i8*)

attributes #0 = { "entry_point" "qir_profiles"="custom" "required_num_qubits"="2" "required_num_results"="2" }
