OPENQASM 3.0;
qubit[2] q;
bit[1] c;
c[0] = measure q[0];
if (c[0] > (-9223372036854775807 - 1)) {
  x q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
