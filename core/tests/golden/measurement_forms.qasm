OPENQASM 3.0;
qubit[2] q;
bit[5] c;
c[0] = measure q[0];
c[1] = measure q[1];
c[2] = measure q[0];
reset q[0];
reset q[1];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
