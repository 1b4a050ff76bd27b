; golden case loop_measure_and_pack: a counted loop measures qubit i into
; result i, flips qubit i on a One, and packs the results into an integer
; by shifting each bit by the counter (ResultArrayAsInt); a loop that needs
; no constant after it stays a while loop
@qs = internal constant [3 x ptr] [ptr null, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr)]

define i64 @main() #0 {
block_0:
  %var_i = alloca i64
  %var_acc = alloca i64
  %var_n = alloca i64
  store i64 0, ptr %var_i
  store i64 0, ptr %var_acc
  br label %block_1
block_1:
  %i = load i64, ptr %var_i
  %more = icmp slt i64 %i, 3
  br i1 %more, label %block_2, label %block_5
block_2:
  %i2 = load i64, ptr %var_i
  %slot = getelementptr ptr, ptr @qs, i64 %i2
  %q = load ptr, ptr %slot
  %r = inttoptr i64 %i2 to ptr
  call void @__quantum__qis__mz__body(ptr %q, ptr %r)
  %one = call i1 @__quantum__rt__read_result(ptr %r)
  br i1 %one, label %block_3, label %block_4
block_3:
  call void @__quantum__qis__x__body(ptr %q)
  br label %block_4
block_4:
  %bit = zext i1 %one to i64
  %shifted = shl i64 %bit, %i2
  %acc = load i64, ptr %var_acc
  %acc2 = or i64 %acc, %shifted
  store i64 %acc2, ptr %var_acc
  %i3 = add i64 %i2, 1
  store i64 %i3, ptr %var_i
  br label %block_1
block_5:
  store i64 0, ptr %var_n
  br label %block_6
block_6:
  %n = load i64, ptr %var_n
  %again = icmp slt i64 %n, 2
  br i1 %again, label %block_7, label %block_8
block_7:
  call void @__quantum__qis__h__body(ptr null)
  %n2 = add i64 %n, 1
  store i64 %n2, ptr %var_n
  br label %block_6
block_8:
  %total = load i64, ptr %var_acc
  call void @__quantum__rt__int_record_output(i64 %total, ptr null)
  ret i64 0
}

declare void @__quantum__qis__mz__body(ptr, ptr)
declare i1 @__quantum__rt__read_result(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__rt__int_record_output(i64, ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
