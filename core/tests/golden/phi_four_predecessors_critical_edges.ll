; golden case phi_four_predecessors_critical_edges
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* inttoptr (i64 1 to %Result*))
  %m0 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %m0, label %join, label %second
second:
  %m1 = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  br i1 %m1, label %arm, label %third
arm:
  br label %join
third:
  %flag = phi i1 [ true, %second ]
  br i1 %flag, label %join, label %join
join:
  %v = phi i32 [ -2147483648, %entry ], [ 7, %arm ], [ -1, %third ]
  %w = sext i32 %v to i64
  %low = icmp slt i64 %w, 0
  br i1 %low, label %flip, label %end
flip:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %end
end:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
