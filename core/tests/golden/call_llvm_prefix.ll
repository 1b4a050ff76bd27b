; golden case call_llvm_prefix
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @llvm.memcpy.p0i8.p0i8.i64(i8* null, i8* null, i64 0, i1 false)
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @llvm.memcpy.p0i8.p0i8.i64(i8*, i8*, i64, i1)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
