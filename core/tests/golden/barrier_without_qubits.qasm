OPENQASM 3.0;
bit[1] c;
if (c[0]) {
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
