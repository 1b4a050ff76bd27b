; golden case pytket_registers
%Qubit = type opaque
%Result = type opaque

@0 = internal constant [2 x i8] c"a\00"

define void @main() #0 {
entry:
  %a = call i1* @create_creg(i64 2)
  %b = call i1* @create_creg(i64 3)
  %w = call i1* @create_creg(i64 64)
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__zzmax__body(%Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__barrier2__body(%Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @mz_to_creg_bit(%Qubit* null, i1* %a, i64 0)
  call void @mz_to_creg_bit(%Qubit* inttoptr (i64 1 to %Qubit*), i1* %a, i64 1)
  call void @__quantum__qis__barrier__body()
  %a0 = call i1 @get_creg_bit(i1* %a, i64 0)
  %a1 = call i1 @get_creg_bit(i1* %a, i64 1)
  %x = xor i1 %a0, %a1
  call void @set_creg_bit(i1* %b, i64 2, i1 %x)
  call void @set_creg_bit(i1* %b, i64 0, i1 true)
  %av = call i64 @get_int_from_creg(i1* %a)
  %bv = call i64 @get_int_from_creg(i1* %b)
  %s = add i64 %av, %bv
  call void @set_creg_to_int(i1* %b, i64 %s)
  call void @set_creg_to_int(i1* %w, i64 -6)
  %wv = call i64 @get_int_from_creg(i1* %w)
  %n = sub i64 0, %wv
  call void @set_creg_to_int(i1* %w, i64 %n)
  %c = icmp eq i64 %bv, 3
  br i1 %c, label %then, label %done
then:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %done
done:
  %r = call i64 @get_int_from_creg(i1* %b)
  call void @__quantum__rt__int_record_output(i64 %r, i8* getelementptr inbounds ([2 x i8], [2 x i8]* @0, i32 0, i32 0))
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
