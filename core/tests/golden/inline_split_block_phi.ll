; golden case inline_split_block_phi: a phi names a block that a call splits;
; it reads from the piece after the call, and the callee holds a phi of its own
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @Flip(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %m, label %inc, label %join
inc:
  br label %join
join:
  %v = phi i64 [ 3, %entry ], [ 4, %inc ]
  %big = icmp sgt i64 %v, 3
  br i1 %big, label %then, label %done
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  br label %done
done:
  ret void
}

define internal void @Flip(%Qubit* %q, %Result* %r) {
start:
  call void @__quantum__qis__h__body(%Qubit* %q)
  call void @__quantum__qis__mz__body(%Qubit* %q, %Result* %r)
  %bit = call i1 @__quantum__qis__read_result__body(%Result* %r)
  br i1 %bit, label %again, label %out
again:
  br label %out
out:
  %n = phi i64 [ 0, %start ], [ 1, %again ]
  %odd = icmp eq i64 %n, 1
  br i1 %odd, label %fix, label %end
fix:
  call void @__quantum__qis__z__body(%Qubit* %q)
  br label %end
end:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__z__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result*)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
