; golden case phi_and_definition_written_below_their_uses
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  br label %split
join:
  %p = phi i1 [ %b, %left ], [ false, %right ]
  %q = and i1 %p, %c
  br i1 %q, label %flip, label %end
left:
  %b = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  br label %join
flip:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %end
right:
  br label %join
split:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* inttoptr (i64 1 to %Result*))
  %a = call i1 @__quantum__qis__read_result__body(%Result* null)
  %c = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  br i1 %a, label %left, label %right
end:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
