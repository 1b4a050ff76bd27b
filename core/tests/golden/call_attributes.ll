; golden case call_attributes
; return attributes, a calling convention and parameter attributes, where LLVM puts them
%Qubit = type opaque
%Result = type opaque

define i64 @main() #0 {
block_0:
  call void @__quantum__qis__h__body(%Qubit* noundef nonnull align 8 dereferenceable(8) inttoptr (i64 1 to %Qubit*))
  tail call void @__quantum__qis__m__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* writeonly inttoptr (i64 1 to %Result*)) #1
  %var_1 = call zeroext i1 @__quantum__rt__read_result(%Result* noundef inttoptr (i64 1 to %Result*))
  br i1 %var_1, label %block_1, label %block_2
block_1:
  call fastcc void @__quantum__qis__x__body(%Qubit* null)
  br label %block_2
block_2:
  ret i64 0
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__m__body(%Qubit*, %Result* writeonly) #1
declare zeroext i1 @__quantum__rt__read_result(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }
