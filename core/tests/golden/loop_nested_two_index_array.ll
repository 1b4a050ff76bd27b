; golden case loop_nested_two_index_array: nested counted loops whose inner
; bound is the outer counter; the two-index getelementptr steps over rows of
; two qubits past its declared row type, at the flat index 2 * i + j, and the
; Q# guard against a negative index selects the row
@array0 = internal constant [6 x ptr] [ptr null, ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 3 to ptr), ptr inttoptr (i64 4 to ptr), ptr inttoptr (i64 5 to ptr)]

define i64 @main() #0 {
block_0:
  %var_i = alloca i64
  %var_j = alloca i64
  store i64 0, ptr %var_i
  br label %block_1
block_1:
  %i = load i64, ptr %var_i
  %outer = icmp sle i64 %i, 2
  br i1 %outer, label %block_2, label %block_6
block_2:
  store i64 0, ptr %var_j
  br label %block_3
block_3:
  %j = load i64, ptr %var_j
  %inner = icmp slt i64 %j, %i
  br i1 %inner, label %block_4, label %block_5
block_4:
  %j2 = load i64, ptr %var_j
  %negative = icmp slt i64 %j2, 0
  %row = select i1 %negative, i64 0, i64 %i
  %slot = getelementptr [2 x ptr], ptr @array0, i64 %row, i64 %j2
  %q = load ptr, ptr %slot
  call void @__quantum__qis__x__body(ptr %q)
  %j3 = add i64 %j2, 1
  store i64 %j3, ptr %var_j
  br label %block_3
block_5:
  %i2 = add i64 %i, 1
  store i64 %i2, ptr %var_i
  br label %block_1
block_6:
  ret i64 0
}

declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
