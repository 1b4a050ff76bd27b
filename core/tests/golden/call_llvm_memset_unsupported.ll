; golden case call_llvm_memset_unsupported
define void @main() #0 {
entry:
  call void @llvm.memset.p0.i64(ptr null, i8 0, i64 8, i1 false)
  ret void
}

declare void @llvm.memset.p0.i64(ptr, i8, i64, i1)

attributes #0 = { "entry_point" }
