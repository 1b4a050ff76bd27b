; golden case phi_if_merge_chain_first_value_used_late
; the second merge starts from the first one's value; the first value is used after the second update
define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  call void @__quantum__qis__h__body(ptr inttoptr (i64 1 to ptr))
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr))
  %m = call i1 @__quantum__qis__read_result__body(ptr null)
  %n = call i1 @__quantum__qis__read_result__body(ptr inttoptr (i64 1 to ptr))
  br i1 %m, label %inc1, label %join1
inc1:
  br label %join1
join1:
  %v1 = phi i64 [ 0, %entry ], [ 5, %inc1 ]
  br i1 %n, label %inc2, label %join2
inc2:
  %b = add i64 %v1, 10
  br label %join2
join2:
  %v2 = phi i64 [ %b, %inc2 ], [ %v1, %join1 ]
  %c = icmp eq i64 %v1, 5
  br i1 %c, label %flip, label %done
flip:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 2 to ptr))
  br label %done
done:
  %d = icmp eq i64 %v2, 15
  br i1 %d, label %flip2, label %end
flip2:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 3 to ptr))
  br label %end
end:
  ret void
}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly) #1
declare i1 @__quantum__qis__read_result__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }
