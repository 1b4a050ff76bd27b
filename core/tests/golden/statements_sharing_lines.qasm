OPENQASM 3.0;
qubit[1] q;
bit[1] c;
h q[0];
c[0] = measure q[0];
if (c[0]) {
  x q[0];
  z q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
