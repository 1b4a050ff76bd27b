; golden case memory_model
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %base = alloca [8 x i64]
  %p3 = getelementptr [8 x i64], [8 x i64]* %base, i64 0, i64 3
  %p5 = getelementptr i64, i64* %p3, i64 2
  %alias = bitcast i64* %p5 to i8*
  store i64 4, i8* %alias
  %other = getelementptr inbounds [8 x i64], [8 x i64]* %base, i32 0, i32 5
  %idx = load i64, i64* %other
  %q = inttoptr i64 %idx to %Qubit*
  call void @__quantum__qis__h__body(%Qubit* %q)
  store i64 1, i64* %other
  %idx2 = load i64, i64* %p5
  %r = inttoptr i64 %idx2 to %Result*
  call void @__quantum__qis__mz__body(%Qubit* %q, %Result* %r)
  %cast = bitcast i64* %unknown to i8*
  %from_unknown = getelementptr i64, i64* %cast, i64 1
  store i64 2, i64* %from_unknown
  %two = load i64, i64* %from_unknown
  %q2 = inttoptr i64 %two to %Qubit*
  call void @__quantum__qis__x__body(%Qubit* %q2)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
