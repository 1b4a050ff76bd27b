; golden case debug_locations: metadata attachments after every instruction
%Qubit = type opaque
%Result = type opaque

define void @main() #0 !dbg !3 {
entry:
  %p = alloca i64, align 8, !dbg !5
  store i64 2, i64* %p, align 8, !dbg !5
  call void @__quantum__qis__h__body(%Qubit* null), !dbg !5
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null) #1, !dbg !5
  %r = call i1 @__quantum__qis__read_result__body(%Result* null), !dbg !5
  %n = xor i1 %r, true, !dbg !5
  %k = load i64, i64* %p, align 8, !dbg !5, !range !6
  %c = icmp eq i64 %k, 2, !dbg !5
  %b = and i1 %n, %c, !dbg !5
  br i1 %b, label %then, label %join, !dbg !5
then:
  %z = zext i1 %r to i64, !dbg !5
  %s = add i64 %z, 1, !dbg !5
  br label %join, !dbg !5
join:
  %v = phi i64 [ %s, %then ], [ 7, %entry ], !dbg !5
  %w = icmp sgt i64 %v, 3, !dbg !5
  %t = select i1 %w, i1 true, i1 %r, !dbg !5
  br i1 %t, label %flip, label %done, !dbg !5
flip:
  call void @__quantum__qis__x__body(%Qubit* null), !dbg !5
  br label %done, !dbg !5
done:
  ret void, !dbg !5
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly) #1
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }

!llvm.dbg.cu = !{!0}
!llvm.module.flags = !{!2}
!0 = distinct !DICompileUnit(language: DW_LANG_C, file: !1, producer: "golden", isOptimized: false, runtimeVersion: 0, emissionKind: FullDebug)
!1 = !DIFile(filename: "debug_locations.qs", directory: "/")
!2 = !{i32 2, !"Debug Info Version", i32 3}
!3 = distinct !DISubprogram(name: "main", scope: !1, file: !1, line: 1, type: !4, scopeLine: 1, spFlags: DISPFlagDefinition, unit: !0)
!4 = !DISubroutineType(types: !{})
!5 = !DILocation(line: 2, column: 3, scope: !3)
!6 = !{i64 0, i64 10}
