; golden case phi_swap_and_counter_in_loop_header
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %first = zext i1 %m to i64
  br label %head
head:
  %i = phi i64 [ 0, %entry ], [ %next, %body ]
  %a = phi i64 [ %first, %entry ], [ %b, %body ]
  %b = phi i64 [ 5, %entry ], [ %a, %body ]
  %more = icmp slt i64 %i, 3
  br i1 %more, label %body, label %done
body:
  call void @__quantum__qis__h__body(%Qubit* null)
  %next = add i64 %i, 1
  br label %head
done:
  %five = icmp eq i64 %a, 5
  br i1 %five, label %flip, label %end
flip:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %end
end:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
